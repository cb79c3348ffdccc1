#include "discovery/carddiscovery.h"

#include "discovery/cardorder.h"
#include "discovery/systemvolumesource.h"

#include <utility>

namespace slatewick {

namespace {

std::string lastComponent(const std::filesystem::path &url)
{
    const std::filesystem::path trimmed = url.has_filename() ? url : url.parent_path();
    return trimmed.filename().string();
}

std::optional<std::string> firstOf(const DiskInfo &info, const char *key, const char *otherKey)
{
    if (std::optional<std::string> value = diskString(info, key))
        return value;
    return diskString(info, otherKey);
}

} // namespace

CardDiscovery::CardDiscovery()
    : CardDiscovery(std::make_shared<SystemVolumeSource>())
{
}

CardDiscovery::CardDiscovery(std::shared_ptr<const VolumeSource> source)
    : m_source(std::move(source))
{
}

std::vector<InsertedCard> CardDiscovery::removableCards() const
{
    std::vector<InsertedCard> cards = removableCards(volumes(std::nullopt));
    sortByDisplayName(cards);
    return cards;
}

std::vector<VolumeFacts> CardDiscovery::volumes(const std::optional<std::vector<MountEntry>> &table) const
{
    try {
        if (table)
            return m_source->volumesOf(*table);
        return m_source->mountedVolumes().value_or(std::vector<VolumeFacts>{});
    } catch (...) {
        return {}; // discovery reports no failures: an unreadable table lists nothing
    }
}

std::vector<InsertedCard> CardDiscovery::removableCards(const std::vector<VolumeFacts> &volumes) const
{
    std::vector<InsertedCard> cards;
    for (const VolumeFacts &volume : volumes) {
        if (volume.removable.value_or(false) || volume.ejectable.value_or(false))
            cards.push_back(card(volume));
    }
    return cards;
}

InsertedCard CardDiscovery::card(const VolumeFacts &volume) const
{
    InsertedCard card = cardOf(volume.mountPoint, volume.name, volume.disk ? *volume.disk : diskInfo(volume.mountPoint));
    card.mountKey = volume.mountKey;
    return card;
}

std::optional<InsertedCard> CardDiscovery::make(const std::filesystem::path &url,
                                                const std::optional<std::string> &displayName) const
{
    return cardOf(url, displayName, diskInfo(url));
}

InsertedCard CardDiscovery::cardOf(const std::filesystem::path &url, const std::optional<std::string> &displayName,
                                   const DiskInfo &info)
{
    InsertedCard card;
    card.url = url;
    card.displayName = displayName.value_or(lastComponent(url));
    card.deviceIdentifier = diskString(info, "DeviceIdentifier").value_or(lastComponent(url));
    card.vendor = diskString(info, "DeviceVendor").value_or("Unknown vendor");
    card.model = diskString(info, "DeviceModel").value_or("Unknown reader");
    card.protocolName = firstOf(info, "BusProtocol", "DeviceProtocol").value_or("Unknown");
    const std::string location = firstOf(info, "DeviceLocation", "DevicePath").value_or("");
    card.fingerprint = location.empty() ? card.vendor + "|" + card.model + "|" + card.protocolName : location;
    return card;
}

DiskInfo CardDiscovery::diskInfo(const std::filesystem::path &mountPoint) const
{
    try {
        return m_source->diskInfo(mountPoint);
    } catch (...) {
        return {};
    }
}

} // namespace slatewick

#include "coordinator/mountedcards.h"

#include "discovery/carddiscovery.h"
#include "discovery/cardorder.h"

#include <algorithm>

namespace slatewick {

MountedCards::MountedCards(std::shared_ptr<const CardDiscovery> discovery, Answered answered, QObject *parent)
    : QObject(parent)
    , m_discovery(std::move(discovery))
    , m_answered(std::move(answered))
    , m_scan([this](Scan scan) { answer(std::move(scan)); })
{
}

std::uint64_t MountedCards::refresh()
{
    std::vector<std::string> awaited;
    for (const MountEntry &entry : m_awaited)
        awaited.push_back(entry.key());
    m_scan.request([discovery = m_discovery, table = m_table, awaited = std::move(awaited), ask = ++m_asks] {
        const std::vector<VolumeFacts> volumes = discovery->volumes(table);
        Scan scan{discovery->removableCards(volumes), {}, awaited, ask};
        for (const std::string &key : awaited) {
            const auto found = std::ranges::find(volumes, key, &VolumeFacts::mountKey);
            if (found != volumes.end())
                scan.mounted.push_back(discovery->card(*found));
        }
        return scan;
    });
    return m_asks;
}

void MountedCards::mounted(const MountEntry &entry)
{
    m_awaited.push_back(entry);
    refresh();
}

void MountedCards::unmounted(const std::string &mountKey)
{
    std::erase_if(m_awaited, [&](const MountEntry &entry) { return entry.key() == mountKey; });
}

// Only mounts still awaited are handed on: one that went meanwhile has had its unmount.
void MountedCards::answer(Scan scan)
{
    Reading reading{std::move(scan.removable), {}, scan.ask};
    sortByDisplayName(reading.removable);
    for (InsertedCard &card : scan.mounted) {
        if (std::ranges::find(m_awaited, card.mountKey, &MountEntry::key) != m_awaited.end())
            reading.mounted.push_back(std::move(card));
    }
    std::erase_if(m_awaited, [&](const MountEntry &entry) {
        return std::ranges::find(scan.described, entry.key()) != scan.described.end();
    });
    m_answered(std::move(reading));
}

} // namespace slatewick

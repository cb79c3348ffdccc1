#include "discovery/blockdevice.h"

#include "discovery/slotpath.h"
#include "discovery/superblocklabel.h"

#include <cctype>
#include <utility>

namespace slatewick {

namespace {

// udev writes unsafe bytes of *_ENC values as \xNN.
std::string decoded(const std::string &encoded)
{
    std::string text;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded.compare(i, 2, "\\x") == 0 && i + 3 < encoded.size() && std::isxdigit(static_cast<unsigned char>(encoded[i + 2]))
            && std::isxdigit(static_cast<unsigned char>(encoded[i + 3]))) {
            text += static_cast<char>(std::stoi(encoded.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            text += encoded[i];
        }
    }
    return text;
}

std::optional<std::string> trimmed(const std::optional<std::string> &value)
{
    if (!value)
        return std::nullopt;
    const std::size_t first = value->find_first_not_of(" \t\n");
    if (first == std::string::npos)
        return std::nullopt;
    return value->substr(first, value->find_last_not_of(" \t\n") - first + 1);
}

std::optional<std::string> either(std::optional<std::string> first, const std::optional<std::string> &second)
{
    return first ? first : second;
}

void put(DiskInfo &info, const char *key, const std::optional<std::string> &value)
{
    if (value)
        info[key] = *value;
}

} // namespace

std::optional<BlockDevice> BlockDevice::open(dev_t number)
{
    std::optional<UdevDevice> device = UdevDevice::blockDevice(number);
    if (!device)
        return std::nullopt;
    UdevDevice disk = device->wholeDisk();
    return BlockDevice(std::move(*device), std::move(disk));
}

BlockDevice::BlockDevice(UdevDevice device, UdevDevice disk)
    : m_device(std::move(device))
    , m_disk(std::move(disk))
{
}

std::optional<std::string> BlockDevice::property(const char *name) const
{
    if (std::optional<std::string> own = m_device.property(name))
        return own;
    return m_disk.property(name);
}

std::optional<std::string> BlockDevice::decodedProperty(const char *encoded, const char *plain) const
{
    if (std::optional<std::string> value = property(encoded))
        return decoded(*value);
    return property(plain);
}

bool BlockDevice::ignored() const
{
    return property("UDISKS_IGNORE") == "1";
}

std::optional<std::string> BlockDevice::label() const
{
    // The label belongs to the file system on this very device, never to its disk.
    if (std::optional<std::string> encoded = m_device.property("ID_FS_LABEL_ENC"))
        return decoded(*encoded);
    if (std::optional<std::string> plain = m_device.property("ID_FS_LABEL"))
        return plain;
    if (m_device.property("ID_FS_TYPE"))
        return std::nullopt; // udev probed it and found no label
    return superblockLabel(m_device.devnode());
}

DeviceTraits BlockDevice::traits() const
{
    DeviceTraits traits;
    traits.loop = m_disk.sysname().starts_with("loop");
    if (std::optional<std::string> removable = m_disk.attribute("removable"))
        traits.removableAttribute = *removable == "1";
    for (std::optional<UdevDevice> above = m_disk.parent(); above; above = above->parent()) {
        const std::string subsystem = above->subsystem();
        if (subsystem.empty())
            continue;
        traits.busSubsystems.push_back(subsystem);
        if (subsystem == "mmc" && !traits.mmcCardType)
            traits.mmcCardType = above->attribute("type").value_or("");
    }
    return traits;
}

std::optional<std::string> BlockDevice::slotPath() const
{
    std::optional<UdevDevice> holder = m_disk.parent();
    return stableSlotPath(holder ? holder->devpath() : m_disk.devpath());
}

DiskInfo BlockDevice::diskInfo() const
{
    DiskInfo info;
    put(info, "DeviceIdentifier", m_device.sysname());
    put(info, "DeviceVendor",
        either(trimmed(decodedProperty("ID_VENDOR_ENC", "ID_VENDOR")), trimmed(m_disk.attribute("device/vendor"))));
    put(info, "DeviceModel",
        either(trimmed(decodedProperty("ID_MODEL_ENC", "ID_MODEL")), trimmed(m_disk.attribute("device/model"))));
    put(info, "BusProtocol", property("ID_BUS"));
    if (std::optional<UdevDevice> holder = m_disk.parent())
        put(info, "DeviceProtocol", holder->subsystem());
    put(info, "DeviceLocation", property("ID_PATH"));
    put(info, "DevicePath", slotPath());
    return info;
}

} // namespace slatewick

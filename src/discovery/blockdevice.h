#pragma once

#include "discovery/devicetraits.h"
#include "discovery/diskinfo.h"
#include "discovery/udevdevice.h"

#include <sys/types.h>

#include <optional>
#include <string>

namespace slatewick {

// A mounted block device and the whole disk it belongs to, described from
// udev's database where it has one and from sysfs where it does not.
class BlockDevice {
public:
    static std::optional<BlockDevice> open(dev_t number);

    // Marked by udev as none of the desktop's business (UDISKS_IGNORE=1).
    bool ignored() const;
    // The file-system label; absent when neither udev nor the superblock tells it.
    std::optional<std::string> label() const;
    DeviceTraits traits() const;
    // The seven description keys, each present only when known.
    DiskInfo diskInfo() const;

private:
    BlockDevice(UdevDevice device, UdevDevice disk);

    // The device's own udev property, else its disk's.
    std::optional<std::string> property(const char *name) const;
    std::optional<std::string> decodedProperty(const char *encoded, const char *plain) const;
    std::optional<std::string> slotPath() const;

    UdevDevice m_device;
    UdevDevice m_disk;
};

} // namespace slatewick

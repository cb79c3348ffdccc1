#pragma once

#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// What sysfs says about the whole disk under a volume, reduced to the facts
// that decide whether the volume is removable and ejectable.
struct DeviceTraits {
    bool loop = false;
    // The whole disk's sysfs "removable" attribute; absent when unreadable.
    std::optional<bool> removableAttribute;
    // Subsystems of the devices above the disk, nearest first ("scsi", "usb", "pci", ...).
    std::vector<std::string> busSubsystems;
    // The "type" attribute of the card device on the MMC bus ("SD", "MMC", "SDIO").
    std::optional<std::string> mmcCardType;

    std::optional<bool> removable() const;
    bool ejectable() const;
};

} // namespace slatewick

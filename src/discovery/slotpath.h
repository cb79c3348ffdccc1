#pragma once

#include <string>

namespace slatewick {

// The sysfs path of the device that holds a disk, made stable across
// re-plugging: SCSI host numbers are counted up on every attach, and an
// SD card's address on the MMC bus differs from card to card, so both are
// dropped to leave the physical port, the LUN or the card slot.
std::string stableSlotPath(const std::string &holderDevpath);

} // namespace slatewick

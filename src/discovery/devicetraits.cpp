#include "discovery/devicetraits.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace slatewick {

namespace {

constexpr std::array<std::string_view, 3> hotPluggableBuses{"usb", "firewire", "thunderbolt"};

bool onHotPluggableBus(const std::vector<std::string> &buses)
{
    return std::any_of(buses.begin(), buses.end(), [](const std::string &bus) {
        return std::find(hotPluggableBuses.begin(), hotPluggableBuses.end(), bus) != hotPluggableBuses.end();
    });
}

} // namespace

std::optional<bool> DeviceTraits::removable() const
{
    return removableAttribute;
}

bool DeviceTraits::ejectable() const
{
    if (loop || onHotPluggableBus(busSubsystems))
        return true;
    // Soldered eMMC also sits on the MMC bus; only a real SD card can be taken out.
    if (mmcCardType)
        return *mmcCardType == "SD";
    return false;
}

} // namespace slatewick

#include "discovery/devicetraits.h"
#include "discovery/mountentry.h"
#include "discovery/slotpath.h"

#include <gtest/gtest.h>

namespace slatewick {
namespace {

TEST(DeviceTraits, anSdCardOnTheMmcBusIsEjectableButSolderedEmmcIsNot)
{
    EXPECT_TRUE((DeviceTraits{false, false, {"mmc", "mmc_host", "platform"}, "SD"}.ejectable()));
    const DeviceTraits emmc{false, false, {"mmc", "mmc_host", "pci"}, "MMC"};
    EXPECT_FALSE(emmc.ejectable());
    EXPECT_EQ(emmc.removable(), false);
}

TEST(SlotPath, oneSlotStaysTheSameAcrossReplugAndEachLunIsItsOwnSlot)
{
    const std::string reader = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
    const std::string lun0 = stableSlotPath(reader + "/host6/target6:0:0/6:0:0:0");
    EXPECT_EQ(lun0, reader + "/scsi-0:0:0");
    EXPECT_EQ(stableSlotPath(reader + "/host9/target9:0:0/9:0:0:0"), lun0);
    EXPECT_NE(stableSlotPath(reader + "/host6/target6:0:0/6:0:0:1"), lun0);
}

TEST(MountEntry, imageFileSystemsAndDesktopHidingOptionsHideAVolume)
{
    const auto entry = [](std::string type, std::string options) {
        return MountEntry{1, "/media/x", "/dev/sdc1", std::move(type), std::move(options), 0};
    };
    EXPECT_TRUE(entry("squashfs", "ro").hiddenByTable());
    EXPECT_TRUE(entry("vfat", "rw,x-gvfs-hide").hiddenByTable());
    EXPECT_TRUE(entry("vfat", "x-gdu.hide,rw").hiddenByTable());
    EXPECT_FALSE(entry("vfat", "rw,x-gvfs-hidden,x-gvfs-show").hiddenByTable());
}

} // namespace
} // namespace slatewick

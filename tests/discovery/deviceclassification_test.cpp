#include "discovery/devicetraits.h"
#include "discovery/mountentry.h"
#include "discovery/slotpath.h"

#include <gtest/gtest.h>

namespace slatewick {
namespace {

TEST(DeviceTraits, anSdCardOnTheMmcBusIsEjectableButSolderedEmmcIsNot)
{
    const DeviceTraits sd{false, false, {"mmc", "mmc_host", "platform"}, "SD"};
    const DeviceTraits emmc{false, false, {"mmc", "mmc_host", "pci"}, "MMC"};
    EXPECT_TRUE(sd.ejectable());
    EXPECT_FALSE(emmc.ejectable());
    EXPECT_EQ(emmc.removable(), false);
}

TEST(DeviceTraits, hotPluggableBusesAndLoopDevicesAreEjectable)
{
    EXPECT_TRUE((DeviceTraits{false, true, {"scsi", "scsi", "scsi", "usb", "usb", "pci"}, std::nullopt}.ejectable()));
    EXPECT_TRUE((DeviceTraits{false, false, {"scsi", "firewire"}, std::nullopt}.ejectable()));
    EXPECT_TRUE((DeviceTraits{false, false, {"nvme", "thunderbolt", "pci"}, std::nullopt}.ejectable()));
    EXPECT_TRUE((DeviceTraits{true, false, {}, std::nullopt}.ejectable()));
    EXPECT_FALSE((DeviceTraits{false, false, {"virtio", "pci"}, std::nullopt}.ejectable()));
    EXPECT_FALSE((DeviceTraits{false, false, {"scsi", "ata", "pci"}, std::nullopt}.ejectable()));
}

TEST(SlotPath, oneSlotStaysTheSameAcrossReplugAndEachLunIsItsOwnSlot)
{
    const std::string reader = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
    const std::string lun0 = stableSlotPath(reader + "/host6/target6:0:0/6:0:0:0");
    EXPECT_EQ(lun0, reader + "/scsi-0:0:0");
    EXPECT_EQ(stableSlotPath(reader + "/host9/target9:0:0/9:0:0:0"), lun0);
    EXPECT_NE(stableSlotPath(reader + "/host6/target6:0:0/6:0:0:1"), lun0);
    EXPECT_NE(stableSlotPath("/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host6/target6:0:0/6:0:0:0"), lun0);
}

TEST(SlotPath, anSdSlotIsItsHostWhateverTheCardsAddress)
{
    const std::string host = "/devices/pci0000:00/0000:00:1e.6/mmc_host/mmc0";
    EXPECT_EQ(stableSlotPath(host + "/mmc0:aaaa"), host);
    EXPECT_EQ(stableSlotPath(host + "/mmc0:0001"), host);
    EXPECT_EQ(stableSlotPath("/devices/virtual/block/loop3"), "/devices/virtual/block/loop3");
}

TEST(MountEntry, imageFileSystemsAndDesktopHidingOptionsHideAVolume)
{
    const auto entry = [](std::string type, std::string options) {
        return MountEntry{1, "/media/x", "/dev/sdc1", std::move(type), std::move(options), 0};
    };
    EXPECT_TRUE(entry("squashfs", "ro").hiddenByTable());
    EXPECT_TRUE(entry("erofs", "ro").hiddenByTable());
    EXPECT_TRUE(entry("vfat", "rw,x-gvfs-hide").hiddenByTable());
    EXPECT_TRUE(entry("vfat", "x-gdu.hide,rw").hiddenByTable());
    EXPECT_FALSE(entry("vfat", "rw,x-gvfs-hidden,x-gvfs-show").hiddenByTable());
    EXPECT_FALSE(entry("exfat", "rw,relatime").hiddenByTable());
}

} // namespace
} // namespace slatewick

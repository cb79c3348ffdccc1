#include "discovery/carddiscovery.h"
#include "discovery/devicetraits.h"
#include "discovery/slotpath.h"

#include "support/fakevolumes.h"

#include <gtest/gtest.h>

#include <memory>

namespace slatewick {
namespace {

class CardDiscoveryTest : public ::testing::Test {
protected:
    std::shared_ptr<testsupport::FakeVolumes> m_source = std::make_shared<testsupport::FakeVolumes>();
};

TEST_F(CardDiscoveryTest, fillsMissingDiskFactsWithFixedTextsAndTakesTheDevicePathBesideAnEmptyLocation)
{
    const InsertedCard bare = CardDiscovery(m_source).make("/media/ana/EOS_DIGITAL", std::nullopt).value();
    EXPECT_EQ(bare.displayName, "EOS_DIGITAL");
    EXPECT_EQ(bare.fingerprint, "Unknown vendor|Unknown reader|Unknown");

    // A value that is not text counts as missing.
    m_source->add({"/media/ana/CARD", "Card", true, true},
                  {{"DeviceIdentifier", std::string("sdc1")},
                   {"DeviceVendor", std::int64_t{42}},
                   {"DeviceProtocol", std::string("scsi")},
                   {"DeviceLocation", std::string("")},
                   {"DevicePath", std::string("/devices/pci0000:00/usb1/1-1/scsi-0:0:1")}});
    const InsertedCard card = CardDiscovery(m_source).make("/media/ana/CARD", "Card").value();
    EXPECT_EQ(std::tie(card.deviceIdentifier, card.vendor, card.protocolName, card.fingerprint),
              std::tuple("sdc1", "Unknown vendor", "scsi", "/devices/pci0000:00/usb1/1-1/scsi-0:0:1"));
}

TEST(DeviceTraits, anSdCardOnTheMmcBusIsEjectableButSolderedEmmcIsNot)
{
    EXPECT_TRUE((DeviceTraits{false, false, {"mmc", "mmc_host", "platform"}, "SD"}.ejectable()));
    EXPECT_FALSE((DeviceTraits{false, false, {"mmc", "mmc_host", "pci"}, "MMC"}.ejectable()));
}

TEST(SlotPath, oneSlotStaysTheSameAcrossReplugAndEachLunIsItsOwnSlot)
{
    const std::string reader = "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
    const std::string lun0 = stableSlotPath(reader + "/host6/target6:0:0/6:0:0:0");
    EXPECT_EQ(lun0, reader + "/scsi-0:0:0");
    EXPECT_EQ(stableSlotPath(reader + "/host9/target9:0:0/9:0:0:0"), lun0);
    EXPECT_NE(stableSlotPath(reader + "/host6/target6:0:0/6:0:0:1"), lun0);
}

} // namespace
} // namespace slatewick

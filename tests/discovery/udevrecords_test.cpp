#include "discovery/carddiscovery.h"

#include "discovery/loopvolume.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <algorithm>

namespace slatewick {
namespace {

using testsupport::LoopVolume;
using testsupport::ScopedMount;
using testsupport::TempDir;

// udev's records are files under /run/udev/data; a tmpfs over /run inside the
// private namespace lets a test write them without touching the host.
class UdevRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_volume.failure(), "");
        if (!m_volume.refusal().empty())
            GTEST_SKIP() << m_volume.refusal();
        m_run = std::make_unique<ScopedMount>("tmpfs", "/run", "tmpfs");
        if (!m_run->mounted())
            GTEST_SKIP() << m_run->error();
    }

    void writeRecord(const std::string &lines) const
    {
        const dev_t device = m_volume.loop().device();
        testsupport::writeFile("/run/udev/data/b" + std::to_string(major(device)) + ":" + std::to_string(minor(device)),
                               lines);
    }

    std::optional<InsertedCard> listed() const
    {
        const std::vector<InsertedCard> cards = CardDiscovery().removableCards();
        const auto found = std::find_if(cards.begin(), cards.end(),
                                        [&](const InsertedCard &card) { return card.url == m_volume.mountPoint(); });
        return found == cards.end() ? std::nullopt : std::optional<InsertedCard>(*found);
    }

    TempDir m_folder;
    LoopVolume m_volume{m_folder.path(), "reader", "SUPERBLOCK"};
    std::unique_ptr<ScopedMount> m_run;
};

TEST_F(UdevRecordsTest, theSlotPathLabelAndDecodedDeviceNamesComeFromUdev)
{
    writeRecord("I:1000\n"
                "E:ID_FS_TYPE=ext4\n"
                "E:ID_FS_LABEL=Holiday_Trip\n"
                "E:ID_FS_LABEL_ENC=Holiday\\x20Trip\n"
                "E:ID_VENDOR_ENC=Generic\\x20\\x20\n"
                "E:ID_MODEL=SD_MMC\n"
                "E:ID_BUS=usb\n"
                "E:ID_PATH=pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:1\n");
    const std::optional<InsertedCard> card = listed();
    ASSERT_TRUE(card);
    EXPECT_EQ(card->displayName, "Holiday Trip");
    EXPECT_EQ(card->vendor, "Generic");
    EXPECT_EQ(card->model, "SD_MMC");
    EXPECT_EQ(card->protocolName, "usb");
    EXPECT_EQ(card->fingerprint, "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:1");
}

TEST_F(UdevRecordsTest, aDeviceUdevTellsTheDesktopToIgnoreIsHidden)
{
    ASSERT_TRUE(listed());
    writeRecord("I:1000\nE:UDISKS_IGNORE=1\n");
    EXPECT_FALSE(listed());
}

} // namespace
} // namespace slatewick

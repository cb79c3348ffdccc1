#include "discovery/systemvolumesource.h"

#include "discovery/carddiscovery.h"
#include "support/files.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"
#include "support/skipunless.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>

namespace slatewick {
namespace {

using testsupport::LoopDevice;
using testsupport::ScopedMount;
namespace fs = std::filesystem;

std::string deviceNumber(const fs::path &node)
{
    struct stat info {};
    EXPECT_EQ(::stat(node.c_str(), &info), 0) << node;
    return std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
}

// Real loop devices in the private mount namespace, with an empty tmpfs over
// /run: udev's records there (/run/udev/data) are then the test's own.
class SystemVolumesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SLATEWICK_SKIP_UNLESS_ALLOWED(testsupport::enterPrivateMountNamespace(), testsupport::loopDeviceRefusal());
        m_run = std::make_unique<ScopedMount>("tmpfs", "/run", "tmpfs");
        SLATEWICK_SKIP_UNLESS_ALLOWED(m_run->error());
    }

    static std::optional<InsertedCard> listed(const fs::path &mountPoint)
    {
        const std::vector<InsertedCard> cards = CardDiscovery().removableCards();
        const auto found = std::ranges::find(cards, mountPoint, &InsertedCard::url);
        return found == cards.end() ? std::nullopt : std::optional<InsertedCard>(*found);
    }

    testsupport::TempDir m_folder;
    std::unique_ptr<ScopedMount> m_run;
};

// A whole-disk loop card is the slot "/devices/virtual/block/loopN" every end-to-end drain watches.
TEST_F(SystemVolumesTest, partitionsAreEjectableCardsInTheSlotOfTheirDiskNamedByTheirLabelUnlessUdevOrTheMountSaysToHideThem)
{
    testsupport::writeFile(m_folder / "card.img", "");
    fs::resize_file(m_folder / "card.img", 10 << 20);
    LoopDevice loop(m_folder / "card.img", true);
    SLATEWICK_SKIP_UNLESS_ALLOWED(loop.error());
    std::vector<std::unique_ptr<ScopedMount>> mounts;
    for (int partition = 1; partition <= 2; ++partition) {
        SLATEWICK_SKIP_UNLESS_ALLOWED(loop.addPartition(partition, (partition * 4 - 3) << 20, 4 << 20));
        const std::string node = loop.partitionNode(partition).string();
        const std::string label = "HOLIDAY" + std::to_string(partition);
        ASSERT_EQ(testsupport::runProgram("mkfs.ext4", {"-q", "-F", "-L", label, node}), "");
        fs::create_directory(m_folder / label);
        mounts.push_back(std::make_unique<ScopedMount>(node, m_folder / label, "ext4"));
        SLATEWICK_SKIP_UNLESS_ALLOWED(mounts.back()->error());
    }

    const std::optional<InsertedCard> first = listed(m_folder / "HOLIDAY1");
    const std::optional<InsertedCard> second = listed(m_folder / "HOLIDAY2");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->displayName, "HOLIDAY1");
    EXPECT_EQ(second->deviceIdentifier, loop.name() + "p2");
    EXPECT_EQ(first->fingerprint, "/devices/virtual/block/" + loop.name());
    EXPECT_EQ(second->fingerprint, first->fingerprint);
    EXPECT_FALSE(listed("/")) << "the system disk is neither removable nor ejectable";

    // udev's record names the label with unsafe bytes written as \xNN.
    const std::string record = "/run/udev/data/b" + deviceNumber(loop.partitionNode(1));
    testsupport::writeFile(record, "I:1000\nE:ID_FS_LABEL_ENC=SUMMER\\x20\\x2f\\xc3\\xa9t\\xc3\\xa9\\x\nE:ID_FS_TYPE=ext4\n");
    EXPECT_EQ(listed(m_folder / "HOLIDAY1").value().displayName, "SUMMER /\u00e9t\u00e9\\x");

    testsupport::writeFile(record, "I:1000\nE:UDISKS_IGNORE=1\n");
    EXPECT_FALSE(listed(m_folder / "HOLIDAY1"));

    // Image file systems and mounts hidden by their options are not volumes.
    const std::string fields = " 1 " + deviceNumber(loop.node()) + " / /m/";
    const std::string source = " " + loop.node().string() + " ";
    testsupport::writeFile(m_folder / "mountinfo", "36" + fields + "plain rw - ext4" + source + "rw\n"
                                                   "37" + fields + "squash ro - squashfs" + source + "ro\n"
                                                   "38" + fields + "gvfs rw - ext4" + source + "rw,x-gvfs-hide\n"
                                                   "39" + fields + "gdu rw - vfat" + source + "x-gdu.hide,rw\n"
                                                   "40" + fields + "shown rw - vfat" + source
                                                   + "rw,x-gvfs-hidden,x-gvfs-show\n");
    const auto volumes = SystemVolumeSource(m_folder / "mountinfo").mountedVolumes();
    ASSERT_EQ(volumes.value().size(), 2u);
    EXPECT_EQ(volumes->front().mountPoint, "/m/plain");
    EXPECT_EQ(volumes->back().mountPoint, "/m/shown");
}

} // namespace
} // namespace slatewick

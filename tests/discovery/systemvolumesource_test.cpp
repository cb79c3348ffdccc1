#include "discovery/systemvolumesource.h"

#include "discovery/carddiscovery.h"
#include "discovery/loopvolume.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/sysmacros.h>

#include <algorithm>

namespace slatewick {
namespace {

using testsupport::LoopDevice;
using testsupport::LoopVolume;
using testsupport::ScopedMount;
using testsupport::TempDir;

#define SKIP_OR_FAIL_UNLESS_MOUNTED(volume)            \
    do {                                                \
        ASSERT_EQ((volume).failure(), "");              \
        if (!(volume).refusal().empty())                \
            GTEST_SKIP() << (volume).refusal();         \
    } while (false)

std::optional<InsertedCard> cardAt(const std::vector<InsertedCard> &cards, const std::filesystem::path &mountPoint)
{
    const auto found = std::find_if(cards.begin(), cards.end(), [&](const InsertedCard &card) { return card.url == mountPoint; });
    return found == cards.end() ? std::nullopt : std::optional<InsertedCard>(*found);
}

std::string devicePath(const LoopDevice &loop)
{
    return "/devices/virtual/block/" + loop.name();
}

bool udevHasRecord(dev_t device)
{
    return std::filesystem::exists("/run/udev/data/b" + std::to_string(major(device)) + ":" + std::to_string(minor(device)));
}

TEST(SystemVolumes, aLoopMountedImageIsAnEjectableCardNamedByItsLabel)
{
    TempDir folder;
    LoopVolume volume(folder.path(), "card-mount", "HOLIDAY");
    SKIP_OR_FAIL_UNLESS_MOUNTED(volume);

    const std::vector<InsertedCard> cards = CardDiscovery().removableCards();
    const std::optional<InsertedCard> card = cardAt(cards, volume.mountPoint());
    ASSERT_TRUE(card) << "not listed: " << volume.mountPoint();
    EXPECT_EQ(card->displayName, "HOLIDAY");
    EXPECT_EQ(card->deviceIdentifier, volume.loop().name());
    if (!udevHasRecord(volume.loop().device())) {
        EXPECT_EQ(card->fingerprint, devicePath(volume.loop()));
        EXPECT_EQ(card->vendor, "Unknown vendor");
        EXPECT_EQ(card->protocolName, "Unknown");
    }
    EXPECT_FALSE(cardAt(cards, "/")) << "the system disk is neither removable nor ejectable";
    EXPECT_EQ(CardDiscovery().make(volume.mountPoint(), std::nullopt)->displayName, "card-mount");
}

TEST(SystemVolumes, partitionsOfOneCardShareTheSlotOfTheirDisk)
{
    if (!testsupport::enterPrivateMountNamespace().empty())
        GTEST_SKIP() << testsupport::enterPrivateMountNamespace();
    TempDir folder;
    testsupport::writeFile(folder / "card.img", "");
    std::filesystem::resize_file(folder / "card.img", 10 << 20);
    LoopDevice loop(folder / "card.img", true);
    if (!loop.attached())
        GTEST_SKIP() << loop.error();
    std::vector<std::unique_ptr<ScopedMount>> mounts;
    for (int partition = 1; partition <= 2; ++partition) {
        const std::string refusal = loop.addPartition(partition, (partition * 4 - 3) << 20, 4 << 20);
        if (!refusal.empty())
            GTEST_SKIP() << refusal;
        ASSERT_EQ(testsupport::runProgram("mkfs.ext4", {"-q", "-F", loop.partitionNode(partition).string()}), "");
        const std::filesystem::path mountPoint = folder / ("part" + std::to_string(partition));
        std::filesystem::create_directory(mountPoint);
        mounts.push_back(std::make_unique<ScopedMount>(loop.partitionNode(partition), mountPoint, "ext4"));
        if (!mounts.back()->mounted())
            GTEST_SKIP() << mounts.back()->error();
    }

    const std::vector<InsertedCard> cards = CardDiscovery().removableCards();
    const std::optional<InsertedCard> first = cardAt(cards, folder / "part1");
    const std::optional<InsertedCard> second = cardAt(cards, folder / "part2");
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->deviceIdentifier, loop.name() + "p1");
    EXPECT_EQ(second->deviceIdentifier, loop.name() + "p2");
    EXPECT_EQ(first->fingerprint, second->fingerprint);
    if (!udevHasRecord(loop.device())) {
        EXPECT_EQ(first->fingerprint, devicePath(loop));
    }
}

TEST(SystemVolumes, imageFileSystemsHiddenMountsAndPartialBindsAreNotVolumes)
{
    TempDir folder;
    const std::filesystem::path image = folder / "plain.img";
    testsupport::writeFile(image, std::string(4096, '\0'));
    LoopDevice loop(image);
    if (!loop.attached())
        GTEST_SKIP() << loop.error();
    const std::string device = std::to_string(major(loop.device())) + ":" + std::to_string(minor(loop.device()));
    const std::string source = loop.node().string();
    testsupport::writeFile(folder / "mountinfo",
                           "36 1 " + device + " / /m/plain rw,relatime shared:1 - ext4 " + source + " rw\n"
                           "37 1 " + device + " / /m/squash ro - squashfs " + source + " ro\n"
                           "38 1 " + device + " / /m/gvfs rw - ext4 " + source + " rw,x-gvfs-hide\n"
                           "39 1 " + device + " / /m/gdu rw - vfat " + source + " rw,x-gdu.hide\n"
                           "40 1 " + device + " /sub /m/bind rw - ext4 " + source + " rw\n"
                           "41 1 0:50 / /m/tmp rw - tmpfs tmpfs rw\n");

    const std::optional<std::vector<VolumeFacts>> volumes = SystemVolumeSource(folder / "mountinfo").mountedVolumes();
    ASSERT_TRUE(volumes);
    std::vector<std::filesystem::path> listed;
    for (const VolumeFacts &facts : *volumes)
        listed.push_back(facts.mountPoint);
    EXPECT_EQ(listed, (std::vector<std::filesystem::path>{"/m/plain"}));
    EXPECT_EQ(volumes->back().ejectable, true);
    EXPECT_FALSE(SystemVolumeSource(folder / "missing").mountedVolumes());
}

} // namespace
} // namespace slatewick

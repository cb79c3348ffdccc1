#include "discovery/mountchange.h"

#include <gtest/gtest.h>

namespace slatewick {
namespace {

MountEntry entry(int id, const std::string &mountPoint, dev_t device = 7)
{
    return MountEntry{id, mountPoint, "/dev/loop0", "ext4", "rw", device};
}

using Kind = MountChange::Kind;

TEST(MountChanges, reportUnmountsBeforeMountsEachInTableOrder)
{
    const std::vector<MountEntry> before{entry(1, "/"), entry(20, "/m/a"), entry(21, "/m/b")};
    const std::vector<MountEntry> after{entry(1, "/"), entry(23, "/m/d"), entry(22, "/m/c")};
    const std::vector<MountChange> expected{{Kind::unmounted, entry(20, "/m/a")},
                                            {Kind::unmounted, entry(21, "/m/b")},
                                            {Kind::mounted, entry(23, "/m/d")},
                                            {Kind::mounted, entry(22, "/m/c")}};
    EXPECT_EQ(mountChanges(before, after), expected);
}

TEST(MountChanges, aFreshMountAtTheSamePlaceIsAnUnmountAndAMount)
{
    const std::vector<MountChange> sameId = mountChanges({entry(5, "/m/a", 7)}, {entry(5, "/m/a", 8)});
    const std::vector<MountChange> newId = mountChanges({entry(5, "/m/a")}, {entry(6, "/m/a")});
    ASSERT_EQ(newId.size(), 2u);
    EXPECT_EQ(newId[0].kind, Kind::unmounted);
    EXPECT_EQ(newId[1].kind, Kind::mounted);
    EXPECT_EQ(sameId.size(), 2u);
    EXPECT_TRUE(mountChanges({entry(5, "/m/a")}, {entry(5, "/m/a")}).empty());
}

} // namespace
} // namespace slatewick

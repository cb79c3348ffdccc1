#include "engine/drainfixture.h"
#include "support/mountnamespace.h"

using namespace slatewick;
using namespace slatewick::testsupport;

TEST(ServerFolderMounts, AShareThatIsNotMountedLeavesItsEmptyMountPointUntouched)
{
    if (const std::string &refusal = enterPrivateMountNamespace(); !refusal.empty())
        GTEST_SKIP() << refusal;
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    writeFile(world.card / "DCIM/a.jpg", "a");
    auto share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    ASSERT_TRUE(share->mounted()) << share->error();
    // The first verified server batch records the file system the folder lies on.
    EXPECT_EQ(world.drain().remoteURL, world.server / "CARD01");
    EXPECT_TRUE(fs::exists(world.dir / "state/server-folder.json"));

    share.reset();
    EXPECT_EQ(world.drainFailure(), DrainError::remoteUnavailable().what());
    EXPECT_EQ(entryNames(world.server), Names{}) << "nothing lands on the local disk";
    EXPECT_EQ(entryNames(world.cacheRoot()), (Names{"CARD01", "CARD01-02"}));
}

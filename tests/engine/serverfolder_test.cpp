// A server that is not there: nothing lands on the local disk, and the verified
// cache batch stays pending until the server answers again.
#include "engine/drainfixture.h"
#include "engine/pendingtransfer.h"
#include "support/mountnamespace.h"

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

std::vector<PendingStore::Entry> pendingOf(const DrainWorld &world)
{
    return PendingStore(world.options.stateFolder).load();
}

const DrainEngine::Update ignoreReports = [](DrainPhase, double, const std::string &) {};

std::string pendingFailure(DrainWorld &world)
{
    return failureText<ServerCopyPending>([&] { world.drain(); });
}

} // namespace

TEST(ServerFolderMounts, AShareThatIsNotMountedGetsNothingAndTheBatchArrivesOnceItIsBack)
{
    if (const std::string &refusal = enterPrivateMountNamespace(); !refusal.empty())
        GTEST_SKIP() << refusal;
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/a.jpg", "a");
    auto share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    ASSERT_TRUE(share->mounted()) << share->error();
    // The first verified server batch records the file system the folder lies on.
    EXPECT_EQ(world.drain().remoteURL, world.server / "CARD01");
    EXPECT_TRUE(pendingOf(world).empty());

    share.reset();
    writeFile(world.card / "DCIM/b.jpg", "b");
    EXPECT_EQ(pendingFailure(world), DrainError::remoteUnavailable().what());
    EXPECT_EQ(entryNames(world.server), Names{}) << "nothing lands on the local disk";
    EXPECT_EQ(entryNames(world.card), Names{}) << "the batch is pending on storage, so the card was cleared";
    const auto pending = pendingOf(world);
    ASSERT_EQ(pending.size(), 1u);
    ASSERT_TRUE(pending[0].transfer) << pending[0].problem;
    EXPECT_EQ(pending[0].transfer->cacheBatch, world.cacheRoot() / "CARD01-02");

    share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    const DrainEngine::Outcome sent =
        DrainEngine(world.data, world.options).sendPending(*pending[0].transfer, ignoreReports).value();
    EXPECT_EQ(sent.remoteURL, world.server / "CARD01");
    EXPECT_EQ(readFile(world.server / "CARD01/DCIM/b.jpg"), "b");
    EXPECT_EQ(manifestIn(sent.remoteURL), manifestIn(sent.batchURL));
    EXPECT_EQ(manifestIn(sent.remoteURL)["cardCleared"], true);
    EXPECT_TRUE(pendingOf(world).empty());
}

TEST(PendingTransfer, ACacheBatchThatChangedOrWentIsNeverSentAndItsRecordStays)
{
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    world.settings.remoteDirectory = (world.dir / "nas-not-mounted").string();
    writeFile(world.card / "DCIM/a.jpg", "a");
    writeFile(world.card / "DCIM/b.jpg", "b");
    EXPECT_EQ(pendingFailure(world), DrainError::remoteUnavailable().what());
    EXPECT_FALSE(fs::exists(world.dir / "nas-not-mounted")) << "a missing server folder is never made";
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"a.jpg", "b.jpg"})) << "clearing is off";
    const PendingTransfer transfer = *pendingOf(world).at(0).transfer;
    fs::create_directories(world.dir / "nas-not-mounted");
    DrainEngine engine(world.data, world.options);

    writeFile(transfer.cacheBatch / "DCIM/b.jpg", "B");
    const std::string changed = failureText<DrainError>([&] { engine.sendPending(transfer, ignoreReports); });
    EXPECT_NE(changed.find("DCIM/b.jpg"), std::string::npos) << changed;
    EXPECT_NE(changed.find("so it is not sent."), std::string::npos) << changed;

    fs::remove_all(transfer.cacheBatch);
    EXPECT_EQ(failureText<DrainError>([&] { engine.sendPending(transfer, ignoreReports); }),
              DrainError::cacheGone(transfer.cacheBatch.string()).what());
    EXPECT_TRUE(entryNames(world.dir / "nas-not-mounted").empty());
    EXPECT_EQ(pendingOf(world).size(), 1u);
}

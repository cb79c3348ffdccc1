// A server that is not there: nothing lands on the local disk, and the verified
// cache batch stays pending until the server answers again.
#include "engine/drainfixture.h"
#include "engine/records/fairlock.h"
#include "engine/records/serverfolder.h"
#include "support/mountnamespace.h"

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

// The records of batches that wait for the server.
std::vector<BatchRecord> pendingOf(const DrainWorld &world)
{
    FairLock lock;
    std::vector<BatchRecord> waiting = BatchLedger(world.options.stateFolder, lock).all();
    std::erase_if(waiting, [](const BatchRecord &record) { return record.state != BatchState::cached; });
    return waiting;
}

const DrainEngine::Update ignoreReports = [](const DrainEvent &) {};

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
    EXPECT_EQ(pending[0].cacheBatch, world.cacheRoot() / "CARD01-02");

    share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    const DrainEngine::Outcome sent =
        DrainEngine(world.data, world.options).sendPending(pending[0].id, ignoreReports).value();
    EXPECT_EQ(sent.remoteURL, world.server / "CARD01");
    EXPECT_EQ(readFile(world.server / "CARD01/DCIM/b.jpg"), "b");
    EXPECT_EQ(manifestIn(sent.remoteURL), manifestIn(sent.batchURL));
    EXPECT_EQ(manifestIn(sent.remoteURL)["cardCleared"], true);
    EXPECT_TRUE(pendingOf(world).empty());
}

// Each folder keeps the record of its file system, and each batch names the one it
// is sent to: a batch waiting for an earlier folder whose share is gone gets nothing
// written onto the empty mount point, however many folders were chosen since.
TEST(ServerFolderMounts, ABatchForAnEarlierFolderGoesOnlyToThatFolderOnItsOwnFileSystem)
{
    if (const std::string &refusal = enterPrivateMountNamespace(); !refusal.empty())
        GTEST_SKIP() << refusal;
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    const fs::path earlier = world.dir / "nas-a";
    const fs::path later = world.dir / "nas-b";
    fs::create_directories(earlier);
    fs::create_directories(later);
    auto shareA = std::make_unique<ScopedMount>("nas-a", earlier, "tmpfs");
    const ScopedMount shareB("nas-b", later, "tmpfs");
    ASSERT_TRUE(shareA->mounted() && shareB.mounted()) << shareA->error() << shareB.error();
    world.settings.remoteDirectory = earlier.string();
    writeFile(world.card / "DCIM/a.jpg", "a");
    world.drain();
    shareA.reset();
    writeFile(world.card / "DCIM/b.jpg", "b");
    EXPECT_THROW(world.drain(), ServerCopyPending);
    world.settings.remoteDirectory = later.string();
    world.drain();

    DrainEngine engine(world.data, world.options);
    const std::string waiting = pendingOf(world).at(0).id;
    EXPECT_EQ(failureText<DrainError>([&] { engine.sendPending(waiting, ignoreReports); }),
              DrainError::remoteUnavailable().what());
    EXPECT_EQ(entryNames(earlier), Names{}) << "nothing lands on the empty mount point";
    EXPECT_EQ(ServerFolder(later, world.options.stateFolder).recorded()->source, "nas-b");
    EXPECT_EQ(ServerFolder(earlier, world.options.stateFolder).recorded()->source, "nas-a");
}

TEST(PendingTransfer, ACacheBatchThatChangedIsNeverSentAndItsRecordSaysWhy)
{
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    world.settings.remoteDirectory = (world.dir / "nas-not-mounted").string();
    writeFile(world.card / "DCIM/a.jpg", "a");
    writeFile(world.card / "DCIM/b.jpg", "b");
    EXPECT_EQ(pendingFailure(world), DrainError::remoteUnavailable().what());
    EXPECT_FALSE(fs::exists(world.dir / "nas-not-mounted")) << "a missing server folder is never made";
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"a.jpg", "b.jpg"})) << "clearing is off";
    const BatchRecord waiting = pendingOf(world).at(0);
    fs::create_directories(world.dir / "nas-not-mounted");
    DrainEngine engine(world.data, world.options);

    writeFile(waiting.cacheBatch / "DCIM/b.jpg", "B");
    const std::string changed = failureText<DrainError>([&] { engine.sendPending(waiting.id, ignoreReports); });
    EXPECT_NE(changed.find("DCIM/b.jpg"), std::string::npos) << changed;
    EXPECT_NE(changed.find("so it is not sent."), std::string::npos) << changed;
    EXPECT_TRUE(entryNames(world.dir / "nas-not-mounted").empty());
    const BatchRecord notSent = engine.ledger().read(waiting.id).value();
    EXPECT_EQ(notSent.state, BatchState::notSendable);
    EXPECT_EQ(notSent.problem, changed);
    EXPECT_FALSE(engine.sendPending(waiting.id, ignoreReports)) << "a batch not sendable is never claimed again";
}

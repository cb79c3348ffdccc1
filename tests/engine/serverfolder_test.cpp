// A server that is not there: nothing lands on the local disk, and the verified
// cache batch stays pending until the server answers again.
#include "engine/drainfixture.h"
#include "engine/records/serverfolder.h"
#include "support/mountnamespace.h"

// Each folder keeps the record of its file system, and each batch names the one it
// is sent to: a batch waiting for a share that is gone gets nothing written onto the
// empty mount point, however many folders were chosen since, and arrives once it is back.
TEST(ServerFolderMounts, ABatchWaitingForAShareThatIsNotMountedGoesOnlyThereOnceItIsBack)
{
    SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace());
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    const fs::path later = world.dir / "nas-b";
    fs::create_directories(later);
    auto share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    const ScopedMount laterShare("nas-b", later, "tmpfs");
    ASSERT_TRUE(share->mounted() && laterShare.mounted()) << share->error() << laterShare.error();
    writeFile(world.card / "DCIM/a.jpg", "a");
    // The first verified server batch records the file system the folder lies on.
    EXPECT_EQ(world.drain().remoteURL, world.server / "CARD01");

    share.reset();
    writeFile(world.card / "DCIM/b.jpg", "b");
    EXPECT_EQ(failureText<ServerCopyPending>([&] { world.drain(); }), DrainError::remoteUnavailable().what());
    EXPECT_EQ(entryNames(world.card), Names{}) << "the batch is pending on storage, so the card was cleared";
    const BatchRecord pending = world.engine().ledger().all().at(1);
    ASSERT_EQ(pending.state, BatchState::cached);
    world.settings.remoteDirectory = later.string();
    writeFile(world.card / "DCIM/c.jpg", "c");
    world.drain();
    EXPECT_EQ(failureText<DrainError>([&] { world.engine().sendPending(pending.id, ignoreReports); }),
              DrainError::remoteUnavailable().what());
    EXPECT_EQ(entryNames(world.server), Names{}) << "nothing lands on the empty mount point";
    EXPECT_EQ(ServerFolder(world.server, world.options.stateFolder).recorded().value().source, "nas");
    EXPECT_EQ(ServerFolder(later, world.options.stateFolder).recorded().value().source, "nas-b");

    share = std::make_unique<ScopedMount>("nas", world.server, "tmpfs");
    const DrainEngine::Outcome sent = world.engine().sendPending(pending.id, ignoreReports).value();
    EXPECT_EQ(sent.remoteURL, world.server / "CARD01");
    EXPECT_EQ(readFile(world.server / "CARD01/DCIM/b.jpg"), "b");
    EXPECT_EQ(manifestIn(sent.remoteURL), manifestIn(sent.batchURL));
    EXPECT_EQ(manifestIn(sent.remoteURL)["cardCleared"], true);
    EXPECT_EQ(world.engine().ledger().read(pending.id)->state, BatchState::onServer);
}

TEST(PendingTransfer, ACacheBatchThatChangedIsNeverSentAndItsRecordSaysWhy)
{
    DrainWorld world;
    world.settings.clearAfterCopy = false;
    world.writeCard({"DCIM/a.jpg", "DCIM/b.jpg"});
    const std::string id = world.drainToWaiting(world.dir / "nas");
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"a.jpg", "b.jpg"})) << "clearing is off";
    DrainEngine engine = world.engine();
    writeFile(engine.ledger().read(id)->cacheBatch / "DCIM/b.jpg", "B");

    const std::string changed = failureText<DrainError>([&] { engine.sendPending(id, ignoreReports); });
    EXPECT_NE(changed.find("so it is not sent."), std::string::npos) << changed;
    EXPECT_TRUE(entryNames(world.dir / "nas").empty());
    const BatchRecord notSent = engine.ledger().read(id).value();
    EXPECT_EQ(notSent.state, BatchState::notSendable);
    EXPECT_EQ(notSent.problem, changed);
    ASSERT_TRUE(notSent.changes) << "kept, so that the row can name what changed";
    EXPECT_EQ(notSent.changes->changed, Names{"DCIM/b.jpg"});
    EXPECT_FALSE(engine.sendPending(id, ignoreReports)) << "a batch not sendable is never claimed again";
}

// One record per batch: whoever finds another state than it expects does nothing,
// and a resend touches no folder but its own.
#include "engine/upkeep/cachefreeing.h"
#include "engine/drainfixture.h"

#include <cerrno>

namespace {

// A drained card whose server folder was not there: its batch waits, recorded as cached.
struct WaitingBatch : ::testing::Test {
    DrainWorld world;
    std::string id;

    void SetUp() override
    {
        writeFile(world.card / "DCIM/a.jpg", "aaa");
        writeFile(world.card / "DCIM/b.jpg", "bb");
        id = world.drainToWaiting(world.dir / "nas");
    }
    DrainEngine engine() const { return world.engine(); }
    BatchRecord record() const { return engine().ledger().read(id).value(); }
};

} // namespace

TEST_F(WaitingBatch, ARetryOfABatchSentMeanwhileDoesNothingAndFreeingLeavesABatchBeingSentOrOnTheCachesDisk)
{
    // A pass that listed the record before another sender finished it.
    const BatchRecord listed = record();
    ASSERT_EQ(listed.state, BatchState::cached);
    const DrainEngine::Outcome sent = engine().sendPending(id, ignoreReports).value();
    EXPECT_FALSE(engine().sendPending(listed.id, ignoreReports)) << "a batch on the server is never sent again";
    EXPECT_EQ(entryNames(world.dir / "nas"), Names{"CARD01"});
    EXPECT_EQ(record().state, BatchState::onServer);
    EXPECT_EQ(record().serverBatch, sent.remoteURL);

    // A crash right after the server manifest was written leaves the record where the
    // send began, with its token in the finished folder: the next try adopts it.
    engine().ledger().change(id, inState(BatchState::onServer), [](BatchRecord &now) {
        now.state = BatchState::sending;
        now.owner = SendOwner{"another boot", 1, 1};
        now.attempt = SendAttempt{now.serverBatch, "0123456789abcdef0123456789abcdef"};
    });
    writeFile(sent.remoteURL / ".slatewick-attempt", "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(freeCacheBatches(engine().ledger(), {sent.batchURL}, world.options.stateFolder).kept.at(0).why,
              KeptBatch::Why::notOnServer);
    EXPECT_TRUE(fs::exists(sent.batchURL / "DCIM/a.jpg"));
    engine().adoptEarlierRecords(); // a claim of a program that is gone returns to the cache's keeping
    ASSERT_EQ(record().state, BatchState::cached);
    EXPECT_EQ(engine().sendPending(id, ignoreReports).value().remoteURL, sent.remoteURL);
    EXPECT_EQ(entryNames(world.dir / "nas"), Names{"CARD01"}) << "adopted, neither removed nor sent twice";
    EXPECT_EQ(readFile(sent.remoteURL / "DCIM/a.jpg"), "aaa");
    EXPECT_EQ(record().state, BatchState::onServer);
    EXPECT_EQ(freeCacheBatches(engine().ledger(), {sent.batchURL}, world.options.stateFolder).kept.at(0).why,
              KeptBatch::Why::serverBatchOnCacheDisk)
        << "a server batch on the cache's own disk is no second copy";
}

// (Its own cut-off try is removed, and the batch takes its place: the kill steps show that.)
TEST_F(WaitingBatch, AResendNeverRemovesAFolderThatTookTheNameOfItsEarlierTry)
{
    // The user removed the try, and another card's batch took its name: it stays, and is named.
    const fs::path earlier = world.dir / "nas/CARD01";
    writeFile(earlier / "DCIM/other.jpg", "another card's only copy");
    engine().ledger().change(id, inState(BatchState::cached), [&](BatchRecord &now) {
        now.attempt = SendAttempt{earlier, "0123456789abcdef0123456789abcdef"};
    });
    const DrainEngine::Outcome sent = engine().sendPending(id, ignoreReports).value();
    EXPECT_EQ(readFile(earlier / "DCIM/other.jpg"), "another card's only copy");
    EXPECT_EQ(sent.remoteURL, world.dir / "nas/CARD01-02");
    EXPECT_EQ(sent.leftAttempts, std::vector<fs::path>{earlier});
}

// What a row is worded from later is kept through storage, not only its English sentence.
TEST(BatchRecordFormat, AClearingFailureAndACacheBatchsChangesKeepTheirFacts)
{
    BatchRecord record;
    record.notCleared = NotCleared{NotCleared::Reason::clearingFailed, 0, "Could not remove /c/a: Input/output error",
                                   {}, NotCleared::Failure{"remove", "/c/a", EIO}};
    record.changes = BatchCheck{4, {"a"}, {"b"}, {"c"}, {"d: Input/output error"}, "no chain", {"e"}};
    const BatchRecord read = BatchRecord::decoded(record.encoded());
    EXPECT_EQ(read.notCleared, record.notCleared);
    ASSERT_TRUE(read.changes);
    EXPECT_EQ(std::tie(read.changes->missing, read.changes->extra, read.changes->changed, read.changes->unreadable,
                       read.changes->historyProblem, read.changes->unlikeHistory),
              std::tie(record.changes->missing, record.changes->extra, record.changes->changed,
                       record.changes->unreadable, record.changes->historyProblem, record.changes->unlikeHistory));
}

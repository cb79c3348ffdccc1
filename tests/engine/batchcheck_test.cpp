#include "engine/upkeep/batchchecking.h"

#include "engine/upkeep/cachefreeing.h"
#include "engine/upkeep/cachesurvey.h"
#include "engine/records/batchrecords.h"
#include "engine/files/checksumlist.h"
#include "engine/drainfixture.h"

namespace {

// The manifest an earlier version left in a batch it sent to /srv/photos/<card>.
void writeManifest(const fs::path &batch, const std::string &card, std::time_t created)
{
    const auto at = std::chrono::system_clock::from_time_t(created);
    const BatchManifest manifest{.sourceVolume = card, .sourceDevice = "", .createdAt = at, .cachedAt = at,
                                 .copiedToServerAt = at, .files = 3, .bytes = 3000, .cachePath = batch.string(),
                                 .remotePath = "/srv/photos/" + card, .cardCleared = true};
    writeFile(batch / BatchManifest::fileName, manifest.encoded());
}

} // namespace

TEST(BatchCheck, ReportsTheChangedTheMissingAndTheExtraFileOfEachCopy)
{
    DrainWorld world;
    world.writeCard({"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.JPG", "line\nbreak\\here.jpg", "back\\slash.jpg"});
    const DrainEngine::Outcome outcome = world.drain();
    const fs::path cache = outcome.batchURL;
    const fs::path server = outcome.remoteURL;

    Recheck both = recheck(std::optional(cache), server);
    ASSERT_TRUE(both.cache && both.server);
    EXPECT_TRUE(both.cache->check.clean() && both.server->check.clean());
    EXPECT_EQ(both.server->check.listed, 4);

    writeFile(server / "DCIM/IMG_0001.JPG", "DCIM/IMG_0001.jpg");
    fs::remove(server / "line\nbreak\\here.jpg");
    writeFile(server / "DCIM/notes.txt", "added");
    writeFile(server / ".directory", "a file manager's own, never part of a batch");
    both = recheck(std::optional(cache), server);
    EXPECT_TRUE(both.cache->check.clean());
    EXPECT_EQ(both.server->check.missing, Names{"line\nbreak\\here.jpg"});
    EXPECT_EQ(both.server->check.changed, Names{"DCIM/IMG_0001.JPG"});
    EXPECT_EQ(both.server->check.extra, Names{"DCIM/notes.txt"});

    // A server batch that is gone, and a checksum file that is not one.
    writeFile(cache / checksumFileName, "not a checksum line\n");
    both = recheck(std::optional(cache), world.dir / "elsewhere");
    EXPECT_EQ(both.cache->result, CheckedBatch::Result::failed);
    EXPECT_EQ(both.server->result, CheckedBatch::Result::notReachable);
    EXPECT_EQ(both.server->folder, world.dir / "elsewhere");
}

TEST(RecordAdoption, BatchesAndWaitingRecordsOfEarlierVersionsGetOneRecordEachAtTheFirstStart)
{
    TempDir dir;
    const fs::path root = dir / "data/Slatewick/Cache";
    const fs::path state = dir / "state";
    writeManifest(root / "2026-01-02_A_1", "A", 1767312000);
    writeManifest(root / "2026/B_2", "B", 1767398400);
    // Verified and waiting, as an earlier version left it: a checksum file and a pending record.
    writeFile(root / "C_3/DCIM/c.jpg", "ccc");
    writeFile(root / "C_3" / checksumFileName, "00000000000000000000000000000000  DCIM/c.jpg\n");
    writeFile(state / "pending/1.json",
              nlohmann::json{{"version", 1}, {"cacheBatch", (root / "C_3").string()}, {"batchName", "C_3"},
                             {"serverFolder", "/srv/photos"}, {"serverBatch", "/srv/photos/C_3"},
                             {"sourceVolume", "C"}, {"sourceDevice", "sdc1"}, {"createdAt", 1767400000},
                             {"cachedAt", 1767400001}, {"files", 1}, {"bytes", 3}, {"cardCleared", true},
                             {"notClearedReason", ""}}
                  .dump());
    writeFile(root / "empty/file.jpg", "no record of any kind");

    DrainEngine::Options options;
    options.stateFolder = state;
    DrainEngine(dir / "data", options).adoptEarlierRecords();
    DrainEngine engine(dir / "data", options); // the next start
    engine.adoptEarlierRecords();
    const std::vector<BatchRecord> records = engine.ledger().all();
    ASSERT_EQ(records.size(), 3u) << "once each, however often the program starts";
    EXPECT_EQ(records[0].state, BatchState::onServer);
    EXPECT_EQ(records[0].serverBatch, "/srv/photos/A");
    EXPECT_EQ(records[0].serverFolder, "/srv/photos");
    EXPECT_EQ(records[1].state, BatchState::onServer);
    EXPECT_EQ(records[1].serverFolder, "/srv") << "the server folder is the server batch less the batch's own path";
    EXPECT_EQ(records[2].state, BatchState::cached);
    EXPECT_EQ(records[2].serverFolder, "/srv/photos");
    EXPECT_EQ(records[2].leftAttempts, std::vector<fs::path>{"/srv/photos/C_3"})
        << "an earlier try of that version cannot be proven its own";
    EXPECT_FALSE(fs::exists(state / "pending/1.json"));

    const CacheSurvey survey = surveyCache(root, records);
    ASSERT_EQ(survey.batches.size(), 4u);
    EXPECT_EQ(survey.batches.back().folder, root / "empty");
    EXPECT_TRUE(survey.batches.back().incomplete());
    EXPECT_TRUE(std::none_of(survey.batches.begin(), survey.batches.end() - 1,
                             [](const CacheBatch &batch) { return batch.incomplete(); }))
        << "a verified batch, waiting or not, is never called incomplete";
    EXPECT_EQ(removeIncompleteBatch(engine.ledger(), root / "C_3"), KeptBatch::Why::holdsBatch);
    EXPECT_EQ(removeIncompleteBatch(engine.ledger(), root / "empty"), std::nullopt);
    EXPECT_FALSE(fs::exists(root / "empty"));
}

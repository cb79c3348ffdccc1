#include "engine/upkeep/cachefreeing.h"
#include "engine/upkeep/batchhistory.h"
#include "engine/upkeep/cachesurvey.h"
#include "engine/drainfixture.h"
#include "model/bytesize.h"
#include "support/mountnamespace.h"


namespace {

constexpr std::int64_t blockSize = 4096; // tmpfs's

std::unique_ptr<ScopedMount> mountTmpfs(const fs::path &at, const std::string &size)
{
    fs::create_directories(at);
    return std::make_unique<ScopedMount>("tmpfs", at, "tmpfs", 0, "size=" + size);
}

void writeCard(const fs::path &card, int files, std::size_t bytesEach)
{
    for (int i = 0; i < files; ++i)
        writeFile(card / ("DCIM/IMG_000" + std::to_string(i) + ".JPG"), std::string(bytesEach, char('a' + i)));
}

// A drain world in a mount namespace of its own, so that tmpfs can stand in for a full disk.
struct SpaceMounts : ::testing::Test {
    DrainWorld world;
    void SetUp() override { SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace()); }
};

} // namespace

TEST(Space, SizesAreWrittenInDecimalUnitsWithOneDecimal)
{
    for (const auto &[bytes, text] : std::initializer_list<std::pair<std::int64_t, std::string>>{
             {-5, "0 bytes"}, {1, "1 byte"}, {999, "999 bytes"}, {1000, "1.0 kB"}, {999'960, "1.0 MB"},
             {12'400'000, "12.4 MB"}, {61'249'999'999, "61.2 GB"}})
        EXPECT_EQ(formattedSize(bytes), text) << bytes;
}

// Three files of 2 MiB against 4 MiB of room: the drain fails before it writes
// there. A verified cache batch outlives a server too small for it.
TEST_F(SpaceMounts, ACacheOrAServerTooSmallForTheCardFailsBeforeAnythingIsWrittenThere)
{
    writeCard(world.card, 3, 2 << 20);
    const std::int64_t needed = roomNeeded(inventory(world.card), blockSize);
    for (const std::string where : {"local cache", "remote server"}) {
        const bool server = where == "remote server";
        const auto disk = mountTmpfs(server ? world.server : world.data, "4m");
        ASSERT_TRUE(disk->mounted()) << disk->error();
        world.reports.clear();

        const std::string failure = world.drainFailure();

        EXPECT_EQ(failure, DrainError::noRoom(where, needed, 4 << 20).what());
        EXPECT_NE(failure.find("needs 7.4 MB, 4.2 MB free on the " + where), std::string::npos) << failure;
        EXPECT_EQ(entryNames(world.server), Names{});
        if (server) {
            ASSERT_FALSE(world.reports.empty());
            EXPECT_EQ(world.reports.back().kind, DrainEvent::Kind::sending) << "no file sent to the server";
            EXPECT_EQ(entryNames(world.cacheRoot() / "CARD01"), (Names{"DCIM", "ascmhl"})) << "verified, not yet recorded";
        } else {
            EXPECT_TRUE(world.reports.empty());
            EXPECT_EQ(entryNames(world.cacheRoot()), Names{}) << "the empty batch folder is removed";
            EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"IMG_0000.JPG", "IMG_0001.JPG", "IMG_0002.JPG"}));
        }
    }
}

TEST_F(SpaceMounts, FreeingRemovesOnlyTheCacheBatchWhoseServerBatchReadsBackWhole)
{
    world.options.stateFolder = world.dir / "state";
    const auto server = mountTmpfs(world.server, "64m");
    ASSERT_TRUE(server->mounted()) << server->error();
    for (const char *name : {"CARD01", "CARD02", "CARD03"}) {
        fs::remove_all(world.card);
        writeCard(world.card, 2, 1000 + name[5]);
        world.inserted.displayName = name;
        world.drain();
    }
    writeFile(world.cacheRoot() / "FAILED/DCIM/a.jpg", std::string(100, 'x'));

    const DrainEngine engine(world.data, world.options);
    const CacheSurvey survey = surveyCache(world.cacheRoot(), engine.ledger().all());
    const std::vector<CacheBatch> offered = survey.offered();
    ASSERT_EQ(offered.size(), 3u) << "an incomplete batch is never offered";
    EXPECT_EQ(survey.largestRecent, 2 * (1000 + '3'));

    // A batch made inside another by an older template: freeing the outer one removes only its own files.
    writeFile(world.cacheRoot() / "CARD01/0042/DCIM/x.jpg", "the inner batch's only copy");
    flipFirstByte(world.server / "CARD02/DCIM/IMG_0001.JPG");
    fs::remove_all(world.server / "CARD03");
    const std::vector<fs::path> chosen{offered[0].folder, offered[1].folder, offered[2].folder};
    const FreeingReport report = freeCacheBatches(engine.ledger(), chosen, world.options.stateFolder);

    EXPECT_EQ(report.removed, std::vector<fs::path>{world.cacheRoot() / "CARD01"});
    ASSERT_EQ(report.kept.size(), 3u);
    EXPECT_EQ(std::tie(report.kept[0].folder, report.kept[0].why, report.kept[0].where),
              std::tuple(chosen[0], KeptBatch::Why::strayFilesStay, chosen[0]));
    EXPECT_EQ(std::tie(report.kept[1].why, report.kept[1].check.changed),
              std::tuple(KeptBatch::Why::serverBatchDiffers, Names{"DCIM/IMG_0001.JPG"}));
    EXPECT_EQ(std::tie(report.kept[2].why, report.kept[2].where),
              std::tuple(KeptBatch::Why::serverBatchMissing, world.server / "CARD03"));
    EXPECT_EQ(entryNames(world.cacheRoot()), (Names{"CARD01", "CARD02", "CARD03", "FAILED"}));
    EXPECT_EQ(listedFiles(world.cacheRoot() / "CARD01"), Names{"0042/DCIM/x.jpg"});
    EXPECT_EQ(entryNames(world.server), (Names{"CARD01", "CARD02"}));
    EXPECT_EQ(report.freedBytes, 2 * (1000 + '1')) << "what was removed, records aside";
    const std::vector<RecentBatch> recent = recentBatches(engine.ledger().all(), 10);
    ASSERT_EQ(recent.size(), 3u);
    const auto freed = std::find_if(recent.begin(), recent.end(), [](const RecentBatch &batch) { return batch.freed(); });
    ASSERT_NE(freed, recent.end()) << "a freed batch stays in the history";
    EXPECT_EQ(freed->manifest.remotePath, (world.server / "CARD01").string());
    EXPECT_EQ(freeCacheBatches(engine.ledger(), {chosen[0]}, world.options.stateFolder).kept.at(0).why,
              KeptBatch::Why::alreadyFreed);
}


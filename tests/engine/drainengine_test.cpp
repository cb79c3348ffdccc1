#include "engine/drainfixture.h"
#include "engine/upkeep/batchchecking.h"

#include "platform/filesystemerror.h"

// With clearing off the card stays whole: PendingTransfer's test checks that.
TEST(Drain, ReportsInOrderClearsTheCardAndLeavesTwoRecordedBatches)
{
    DrainWorld world;
    writeFile(world.card / "DCIM/A", std::string(100, 'a'));
    writeFile(world.card / "DCIM/B", std::string(300, 'b'));

    const DrainEngine::Outcome outcome = world.drain();

    using enum DrainEvent::Kind;
    const auto event = [](DrainEvent::Kind kind, DrainPhase phase, double progress, std::int64_t file = 0,
                          fs::path folder = {}) {
        return DrainEvent{kind, phase, progress, 2, 400, file, std::move(folder)};
    };
    const std::vector<Report> expected{event(listed, DrainPhase::caching, 0.0),
                                       event(fileCopied, DrainPhase::caching, 0.25, 1),
                                       event(fileCopied, DrainPhase::caching, 1.0, 2),
                                       event(clearing, DrainPhase::clearing, 1.0),
                                       event(sending, DrainPhase::copying, 0.0, 0, world.server),
                                       event(fileCopied, DrainPhase::copying, 0.25, 1),
                                       event(fileCopied, DrainPhase::copying, 1.0, 2)};
    EXPECT_EQ(world.reports, expected);
    EXPECT_EQ(entryNames(world.card), Names{});
    for (const fs::path &batch : {world.cacheRoot() / "CARD01", world.server / "CARD01"})
        EXPECT_EQ(entryNames(batch), (Names{"DCIM", "Slatewick-checksums.xxh128", "Slatewick-manifest.json", "ascmhl"}));
    EXPECT_EQ(manifestIn(outcome.remoteURL)["cardCleared"], true);
}

TEST(Drain, ATakenBatchNameGetsTheNextCounterWhereItIsTakenAndOnlyThere)
{
    for (const bool takenOnServer : {false, true}) {
        DrainWorld world;
        world.settings.namingTemplate = "shoots/{card}";
        const fs::path taken = (takenOnServer ? world.server : world.cacheRoot()) / "shoots/CARD01";
        writeFile(taken / "earlier.jpg", "an earlier batch");
        writeFile(world.card / "a.jpg", "a");
        const DrainEngine::Outcome outcome = world.drain();
        EXPECT_EQ(outcome.batchURL, world.cacheRoot() / (takenOnServer ? "shoots/CARD01" : "shoots/CARD01-02"));
        EXPECT_EQ(outcome.remoteURL, world.server / (takenOnServer ? "shoots/CARD01-02" : "shoots/CARD01"));
        EXPECT_EQ(manifestIn(outcome.batchURL)["remotePath"], outcome.remoteURL.string());
        EXPECT_EQ(entryNames(taken), Names{"earlier.jpg"});
    }
}

TEST(Drain, AByteFlippedInTheCacheBeforeVerificationFailsItAndLeavesTheCard)
{
    DrainWorld world;
    for (const char *name : {"DCIM/a.jpg", "DCIM/b.jpg", "DCIM/c.jpg"})
        writeFile(world.card / name, std::string(5000, name[5]));
    world.onReport = [&](const Report &report) {
        if (report.phase == DrainPhase::caching && report.file == 3)
            flipFirstByte(world.cacheRoot() / "CARD01/DCIM/a.jpg");
    };
    EXPECT_EQ(world.drainFailure(), "The copied files at local cache did not match the source.");
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_TRUE(entryNames(world.server).empty());
    EXPECT_FALSE(fs::exists(world.cacheRoot() / "CARD01/Slatewick-manifest.json"));
}

// Names no camera writes, a tree deeper than any, and files larger than one read:
// each drains, and the checksum file verifies with the standard tool.
TEST(Drain, OddNamesAndADeepTreeVerifyWithXxh128sum)
{
    DrainWorld world;
    Names names{
        "DCIM/\u00dcbersicht/\u65e5\u672c\u8a9e.jpg",
        "DCIM/caf\u00e9.jpg",  // composed
        "DCIM/cafe\u0301.jpg", // decomposed: another file on Linux
        "DCIM/line\nbreak.jpg", "DCIM/carriage\rreturn.jpg", "DCIM/back\\slash.jpg", "DCIM/a name with spaces.jpg",
        "DCIM/" + std::string(251, 'n') + ".JPG", // 255 bytes, the longest a name can be
        "empty", "DEEP",
    };
    for (int level = 0; level < 200; ++level)
        names.back() += "/level" + std::to_string(level);
    names.back() += "/bottom.jpg";
    for (std::size_t i = 0; i < names.size(); ++i)
        writeFile(world.card / names[i], names[i] == "empty" ? "" : std::string((i < 2 ? 3 << 20 : 1000) + i, 'a' + i));

    const DrainEngine::Outcome outcome = world.drain();

    EXPECT_EQ(outcome.files, std::ssize(names));
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        EXPECT_EQ(manifestIn(batch)["files"], std::ssize(names));
        const std::string sums = readFile(batch / "Slatewick-checksums.xxh128");
        EXPECT_EQ(std::count(sums.begin(), sums.end(), '\n'), std::ssize(names));
        EXPECT_EQ(checksumsVerify(batch), "");
        EXPECT_TRUE(checkBatch(batch).clean()) << "every name reads back from the checksum file";
    }
}

// Cameras name every card alike, so a template may change from {card} to {card}/{batch}: the
// new batch would lie inside the earlier one, and be freed, checked and resent as part of it.
TEST(Drain, ATemplateThatWouldPutTheBatchInsideAnEarlierOneFailsBeforeAnythingIsWritten)
{
    DrainWorld world;
    world.settings.clearAfterCopy = false;
    writeFile(world.card / "DCIM/a.jpg", "a");
    const fs::path earlier = world.drain().batchURL;
    world.settings.clearAfterCopy = true;
    world.settings.namingTemplate = "{card}/{batch}";
    // Complete, and verified but waiting for the server (no manifest yet).
    for (const bool waiting : {false, true}) {
        if (waiting)
            fs::remove(earlier / "Slatewick-manifest.json");
        const Names earlierFiles = listedFiles(earlier);
        EXPECT_THAT(world.drainFailure(),
                    testing::AllOf(
                        testing::StartsWith("The naming template puts this card's batch at " + earlier.string() + "/"),
                        testing::HasSubstr(", inside the batch " + earlier.string() + ". Nothing was copied")));
        EXPECT_EQ(listedFiles(earlier), earlierFiles);
        EXPECT_EQ(listedFiles(world.card), Names{"DCIM/a.jpg"});
    }
}

TEST(Drain, AServerFolderThatVanishesMidCopyIsNeverMadeAgain)
{
    // An unmounted share leaves its empty mount point behind: the rest of the
    // batch must not land on the local disk there and pass as the server copy.
    DrainWorld world;
    world.settings.clearAfterCopy = false;
    world.writeCard({"DCIM/a.jpg", "DCIM/b.jpg", "MISC/c.txt"});
    world.onReport = [&](const Report &report) {
        if (report.phase == DrainPhase::copying && report.file == 1) {
            fs::remove_all(world.server);
            fs::create_directory(world.server);
        }
    };
    EXPECT_THROW(world.drain(), FileSystemError);
    EXPECT_TRUE(entryNames(world.server).empty());
    EXPECT_EQ(entryNames(world.card), (Names{"DCIM", "MISC"}));
}

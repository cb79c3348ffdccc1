#include "drainfixture.h"

#include "platform/filesystemerror.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

namespace {

const std::string clearingText =
    "Local cache verified; clearing card so it can be reused while the server copy continues";

nlohmann::json manifestIn(const fs::path &batch)
{
    return nlohmann::json::parse(readFile(batch / "Slatewick-manifest.json"));
}

} // namespace

TEST(Drain, ReportsInOrderAndLeavesVerifiedBatchesWithClearingOn)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/A", std::string(100, 'a'));
    writeFile(world.card / "DCIM/B", std::string(300, 'b'));
    writeFile(world.card / ".DS_Store", "view");
    writeFile(world.card / ".Trashes/501/x", "trash");
    writeFile(world.card / ".hidden", "not copied, but cleared");

    const DrainEngine::Outcome outcome = world.drain();

    const std::vector<Report> expected{
        {DrainPhase::caching, 0.0, "Copying 2 files into the local cache"},
        {DrainPhase::caching, 0.25, "1 of 2 files"},
        {DrainPhase::caching, 1.0, "2 of 2 files"},
        {DrainPhase::clearing, 1.0, clearingText},
        {DrainPhase::copying, 0.0, "Sending verified cache to " + world.server.string()},
        {DrainPhase::copying, 0.25, "1 of 2 files"},
        {DrainPhase::copying, 1.0, "2 of 2 files"},
    };
    EXPECT_EQ(world.reports, expected);
    EXPECT_EQ(outcome.batchURL, world.cacheRoot() / "CARD01");
    EXPECT_EQ(outcome.remoteURL, world.server / "CARD01");
    EXPECT_EQ(outcome.files, 2);
    EXPECT_EQ(outcome.bytes, 400);
    EXPECT_EQ(entryNames(world.card), (std::vector<std::string>{".DS_Store", ".Trashes"}));
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        EXPECT_EQ(readFile(batch / "DCIM/A"), std::string(100, 'a'));
        EXPECT_EQ(readFile(batch / "DCIM/B"), std::string(300, 'b'));
        EXPECT_EQ(entryNames(batch),
                  (std::vector<std::string>{"DCIM", "Slatewick-checksums.xxh128", "Slatewick-manifest.json"}));
        const auto manifest = manifestIn(batch);
        EXPECT_EQ(manifest["sourceVolume"], "CARD01");
        EXPECT_EQ(manifest["sourceDevice"], "sdc1");
        EXPECT_EQ(manifest["files"], 2);
        EXPECT_EQ(manifest["bytes"], 400);
        EXPECT_EQ(manifest["cachePath"], outcome.batchURL.string());
        EXPECT_EQ(manifest["remotePath"], outcome.remoteURL.string());
        EXPECT_EQ(manifest["cardCleared"], true);
    }
    EXPECT_EQ(readFile(outcome.batchURL / "Slatewick-manifest.json"),
              readFile(outcome.remoteURL / "Slatewick-manifest.json"));
}

TEST(Drain, WithClearingOffTheCardKeepsEverything)
{
    DrainWorld world;
    writeFile(world.card / "IMG_0001.JPG", "one");
    writeFile(world.card / ".hidden", "h");

    const DrainEngine::Outcome outcome = world.drain();

    const std::vector<Report> expected{
        {DrainPhase::caching, 0.0, "Copying 1 files into the local cache"},
        {DrainPhase::caching, 1.0, "1 of 1 files"},
        {DrainPhase::copying, 0.0, "Sending verified cache to " + world.server.string()},
        {DrainPhase::copying, 1.0, "1 of 1 files"},
    };
    EXPECT_EQ(world.reports, expected);
    EXPECT_EQ(entryNames(world.card), (std::vector<std::string>{".hidden", "IMG_0001.JPG"}));
    EXPECT_EQ(manifestIn(outcome.batchURL)["cardCleared"], false);
    EXPECT_EQ(manifestIn(outcome.remoteURL)["cardCleared"], false);
}

TEST(Drain, ACardWithOnlyHiddenEntriesHasNoFilesAndLeavesTheEmptyCacheBatch)
{
    DrainWorld world;
    writeFile(world.card / ".DS_Store", "v");
    writeFile(world.card / ".Spotlight-V100/db", "i");
    writeFile(world.card / ".secret/a.jpg", "a");
    EXPECT_EQ(world.drainFailure(), DrainError::noFiles());
    EXPECT_TRUE(world.reports.empty());
    EXPECT_EQ(entryNames(world.cacheRoot()), std::vector<std::string>{"CARD01"});
    EXPECT_TRUE(entryNames(world.cacheRoot() / "CARD01").empty());
    EXPECT_TRUE(entryNames(world.server).empty());
}

TEST(Drain, TheRemoteFolderMissingWithClearingOnClearsTheCardAndWritesNoManifest)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    world.settings.remoteDirectory = (world.dir / "unmounted").string();
    writeFile(world.card / "DCIM/a.jpg", "a");
    EXPECT_EQ(world.drainFailure(), DrainError::remoteUnavailable());
    ASSERT_FALSE(world.reports.empty());
    EXPECT_EQ(std::get<2>(world.reports.back()), clearingText);
    EXPECT_TRUE(entryNames(world.card).empty());
    const fs::path batch = world.cacheRoot() / "CARD01";
    EXPECT_EQ(readFile(batch / "DCIM/a.jpg"), "a");
    EXPECT_EQ(entryNames(batch), std::vector<std::string>{"DCIM"});
    EXPECT_FALSE(fs::exists(world.dir / "unmounted"));
}

TEST(Drain, TheRemoteFolderMissingWithClearingOffLeavesTheCardUntouched)
{
    DrainWorld world;
    world.settings.remoteDirectory = (world.dir / "unmounted").string();
    writeFile(world.card / "DCIM/a.jpg", "a");
    EXPECT_EQ(world.drainFailure(), DrainError::remoteUnavailable());
    EXPECT_EQ(std::get<2>(world.reports.back()), "1 of 1 files");
    EXPECT_EQ(readFile(world.card / "DCIM/a.jpg"), "a");
    EXPECT_EQ(entryNames(world.cacheRoot() / "CARD01"), std::vector<std::string>{"DCIM"});
}

TEST(Drain, AnUnsafeTemplateCreatesNothingNotEvenTheCacheRoot)
{
    for (const char *unsafe : {"/{card}", "{card}/../x", "./{card}", "{card}/.", "///"}) {
        DrainWorld world;
        world.settings.namingTemplate = unsafe;
        writeFile(world.card / "a.jpg", "a");
        EXPECT_EQ(world.drainFailure(), DrainError::unsafeTemplate()) << unsafe;
        EXPECT_FALSE(fs::exists(world.data)) << unsafe;
        EXPECT_TRUE(entryNames(world.server).empty()) << unsafe;
        EXPECT_TRUE(world.reports.empty()) << unsafe;
    }
}

TEST(Drain, AMissingCardFailsBeforeAnythingIsCreated)
{
    DrainWorld world;
    world.inserted.url = world.dir / "ejected";
    EXPECT_EQ(world.drainFailure(), DrainError::sourceUnavailable());
    EXPECT_FALSE(fs::exists(world.data));
}

TEST(Drain, ATakenBatchNameGetsASuffixInTheCacheOnly)
{
    DrainWorld world;
    world.settings.namingTemplate = "shoots/{card}";
    fs::create_directories(world.cacheRoot() / "shoots/CARD01");
    writeFile(world.cacheRoot() / "shoots/CARD01-02", "a file takes a name too");
    writeFile(world.card / "a.jpg", "a");
    const DrainEngine::Outcome outcome = world.drain();
    EXPECT_EQ(outcome.batchURL, world.cacheRoot() / "shoots/CARD01-03");
    EXPECT_EQ(outcome.remoteURL, world.server / "shoots/CARD01");
    EXPECT_TRUE(fs::exists(outcome.batchURL / "Slatewick-manifest.json"));
    EXPECT_TRUE(fs::exists(outcome.remoteURL / "Slatewick-manifest.json"));
    EXPECT_EQ(manifestIn(outcome.remoteURL)["cachePath"], outcome.batchURL.string());

    // Draining the same card again takes the next name on both sides.
    const DrainEngine::Outcome again = world.drain();
    EXPECT_EQ(again.batchURL, world.cacheRoot() / "shoots/CARD01-04");
    EXPECT_EQ(again.remoteURL, world.server / "shoots/CARD01-02");
}

TEST(Drain, TheDefaultTemplateNamesTheBatchByDateCardAndCode)
{
    DrainWorld world;
    world.settings.namingTemplate = "{date}_{card}_{batch}";
    writeFile(world.card / "a.jpg", "a");
    const DrainEngine::Outcome outcome = world.drain();
    const std::string name = outcome.batchURL.filename().string();
    EXPECT_EQ(outcome.remoteURL.filename().string(), name);
    EXPECT_EQ(name.size(), std::string("2026-12-04T23-39-24Z_CARD01_A1B2C3D4").size()) << name;
    EXPECT_NE(name.find("Z_CARD01_"), std::string::npos) << name;
}

TEST(Drain, ACardHoldingAManifestEndsWithTheDrainsManifestInBothBatches)
{
    DrainWorld world;
    writeFile(world.card / "Slatewick-manifest.json", "not a manifest");
    writeFile(world.card / "DCIM/a.jpg", "a");
    const DrainEngine::Outcome outcome = world.drain();
    EXPECT_EQ(outcome.files, 2);
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        const auto manifest = manifestIn(batch);
        EXPECT_EQ(manifest["files"], 2);
        EXPECT_EQ(manifest["sourceVolume"], "CARD01");
        EXPECT_EQ(readFile(batch / "Slatewick-checksums.xxh128").find("Slatewick-manifest.json"), std::string::npos);
    }
}

TEST(Drain, AByteFlippedInTheCacheBeforeVerificationFailsItAndLeavesTheCard)
{
    for (const char *victim : {"DCIM/c.jpg", "DCIM/a.jpg"}) {
        DrainWorld world;
        world.settings.clearAfterCopy = true;
        writeFile(world.card / "DCIM/a.jpg", std::string(4000, 'a'));
        writeFile(world.card / "DCIM/b.jpg", std::string(5000, 'b'));
        writeFile(world.card / "DCIM/c.jpg", std::string(6000, 'c'));
        const fs::path cached = world.cacheRoot() / "CARD01" / victim;
        world.onReport = [&](const Report &report) {
            if (std::get<2>(report) == "3 of 3 files")
                flipFirstByte(cached);
        };
        const DrainError error = world.drainFailure();
        EXPECT_EQ(std::string(error.what()), "The copied files at local cache did not match the source.") << victim;
        EXPECT_EQ(std::get<2>(world.reports.back()), "3 of 3 files") << victim;
        EXPECT_EQ(entryNames(world.card / "DCIM"), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"})) << victim;
        EXPECT_TRUE(entryNames(world.server).empty()) << victim;
        EXPECT_FALSE(fs::exists(world.cacheRoot() / "CARD01/Slatewick-manifest.json")) << victim;
    }
}

TEST(Drain, ALinkOnTheCardIsNotCopiedAndItsTargetSurvivesClearing)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/a.jpg", "a");
    writeFile(world.dir / "outside/keep.jpg", "precious");
    writeFile(world.dir / "outside/folder/inner.jpg", "inner");
    fs::create_symlink(world.dir / "outside/keep.jpg", world.card / "filelink.jpg");
    fs::create_directory_symlink(world.dir / "outside/folder", world.card / "folderlink");
    fs::create_directory_symlink(world.dir / "outside", world.card / "DCIM/nested");

    const DrainEngine::Outcome outcome = world.drain();
    EXPECT_EQ(outcome.files, 1);
    EXPECT_EQ(entryNames(outcome.batchURL),
              (std::vector<std::string>{"DCIM", "Slatewick-checksums.xxh128", "Slatewick-manifest.json"}));
    EXPECT_EQ(entryNames(outcome.batchURL / "DCIM"), std::vector<std::string>{"a.jpg"});
    EXPECT_TRUE(entryNames(world.card).empty());
    EXPECT_EQ(readFile(world.dir / "outside/keep.jpg"), "precious");
    EXPECT_EQ(readFile(world.dir / "outside/folder/inner.jpg"), "inner");
}

TEST(Drain, TheChecksumFileVerifiesWithXxh128sum)
{
    if (std::system("command -v xxh128sum >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xxh128sum is not installed (Debian package xxhash)";
    DrainWorld world;
    writeFile(world.card / "DCIM/100CANON/IMG_0001.JPG", std::string(3 << 20, 'x'));
    writeFile(world.card / "a name with spaces.jpg", "s");
    writeFile(world.card / "back\\slash.jpg", "b");
    writeFile(world.card / "carriage\rreturn.jpg", "r");
    writeFile(world.card / "\xc3\xa9t\xc3\xa9.jpg", "u");
    writeFile(world.card / "empty", "");
    const DrainEngine::Outcome outcome = world.drain();
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        const std::string command = "cd '" + batch.string() + "' && xxh128sum --check Slatewick-checksums.xxh128 2>&1";
        FILE *pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[4096];
        while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, got);
        const int status = ::pclose(pipe);
        EXPECT_EQ(status, 0) << output;
        EXPECT_NE(output.find("DCIM/100CANON/IMG_0001.JPG: OK"), std::string::npos) << output;
        EXPECT_NE(output.find("back\\slash.jpg: OK"), std::string::npos) << output;
        std::size_t lines = 0;
        for (char c : readFile(batch / "Slatewick-checksums.xxh128"))
            lines += c == '\n';
        EXPECT_EQ(lines, 6u);
    }
}

TEST(Drain, AServerFolderThatVanishesMidCopyIsNeverMadeAgain)
{
    // An unmounted share leaves its empty mount point behind: the rest of the
    // batch must not land on the local disk there and pass as the server copy.
    DrainWorld world;
    for (const char *name : {"DCIM/a.jpg", "DCIM/b.jpg", "MISC/c.txt"})
        writeFile(world.card / name, name);
    world.onReport = [&](const Report &report) {
        if (std::get<0>(report) == DrainPhase::copying && std::get<2>(report) == "1 of 3 files") {
            fs::remove_all(world.server);
            fs::create_directory(world.server);
        }
    };
    EXPECT_THROW(world.drain(), FileSystemError);
    EXPECT_TRUE(entryNames(world.server).empty());
    EXPECT_EQ(entryNames(world.card), (std::vector<std::string>{"DCIM", "MISC"}));
}

#include "engine/batchcheck.h"

#include "engine/batchhistory.h"
#include "engine/batchrecords.h"
#include "engine/checksumlist.h"
#include "engine/drainfixture.h"

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

BatchManifest manifestOf(const std::string &card, std::time_t created, const std::string &cachePath)
{
    BatchManifest manifest;
    manifest.sourceVolume = card;
    manifest.createdAt = manifest.cachedAt = manifest.copiedToServerAt = std::chrono::system_clock::from_time_t(created);
    manifest.files = 3;
    manifest.bytes = 3000;
    manifest.cachePath = cachePath;
    manifest.remotePath = "/srv/photos/" + card;
    manifest.cardCleared = true;
    return manifest;
}

} // namespace

TEST(BatchCheck, ReportsTheChangedTheMissingAndTheExtraFileAndReadsEscapedNamesBack)
{
    DrainWorld world;
    for (const char *name : {"DCIM/IMG_0001.JPG", "DCIM/IMG_0002.JPG", "line\nbreak.jpg", "back\\slash.jpg"})
        writeFile(world.card / name, name);
    const DrainEngine::Outcome outcome = world.drain();
    const fs::path cache = outcome.batchURL;
    const fs::path server = outcome.remoteURL;

    // Both escaped forms read back as the names that were written.
    const std::vector<ChecksumEntry> entries = parseChecksumText(readFile(cache / checksumFileName));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].path, "DCIM/IMG_0001.JPG");
    EXPECT_EQ(entries[2].path, "back\\slash.jpg");
    EXPECT_EQ(entries[3].path, "line\nbreak.jpg");
    EXPECT_EQ(recheckReport(cache, server), "Cache batch: all 4 files match. Server batch: all 4 files match.");

    writeFile(server / "DCIM/IMG_0001.JPG", "DCIM/IMG_0001.jpg");
    fs::remove(server / "line\nbreak.jpg");
    writeFile(server / "DCIM/notes.txt", "added");
    writeFile(server / ".directory", "a file manager's own, never part of a batch");
    const BatchCheck check = checkBatch(server);
    EXPECT_EQ(check.changed, std::vector<std::string>{"DCIM/IMG_0001.JPG"});
    EXPECT_EQ(check.missing, std::vector<std::string>{"line\nbreak.jpg"});
    EXPECT_EQ(check.extra, std::vector<std::string>{"DCIM/notes.txt"});
    EXPECT_EQ(recheckReport(cache, server),
              "Cache batch: all 4 files match. Server batch: 1 file missing (line\nbreak.jpg), 1 file changed "
              "(DCIM/IMG_0001.JPG) and 1 file not in the checksum file (DCIM/notes.txt).");

    // A server batch that is gone, and a checksum file that is not one.
    writeFile(cache / checksumFileName, "not a checksum line\n");
    EXPECT_EQ(recheckReport(cache, world.dir / "elsewhere"),
              "Cache batch: could not be checked: line 1 of the checksum file is not a checksum line. "
              "Server batch: not reachable at " + (world.dir / "elsewhere").string() + ".");
}

TEST(BatchHistory, NewestFirstFromNestedFoldersPassingOverBrokenManifests)
{
    TempDir dir;
    const fs::path root = dir / "Cache";
    writeFile(root / "2026-01-02_A_1" / BatchManifest::fileName,
              manifestOf("A", 1767312000, (root / "2026-01-02_A_1").string()).encoded());
    writeFile(root / "2026/B_2" / BatchManifest::fileName,
              manifestOf("B", 1767398400, (root / "2026/B_2").string()).encoded());
    writeFile(root / "broken" / BatchManifest::fileName, "{\"sourceVolume\": ");
    writeFile(root / "empty/file.jpg", "no manifest");

    const std::vector<BatchRecord> batches = recentBatches(root, 10);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].folder, root / "2026/B_2");
    EXPECT_EQ(batches[1].folder, root / "2026-01-02_A_1");
    EXPECT_EQ(batches[0].manifest.encoded(), manifestOf("B", 1767398400, (root / "2026/B_2").string()).encoded());
    ASSERT_EQ(recentBatches(root, 1).size(), 1u);
    EXPECT_EQ(recentBatches(root, 1)[0].manifest.sourceVolume, "B");
    EXPECT_TRUE(recentBatches(dir / "none", 10).empty());
}

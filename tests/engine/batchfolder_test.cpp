#include "engine/batchfolder.h"
#include "engine/batchrecords.h"

#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using namespace slatewick;
using slatewick::testsupport::readFile;
using slatewick::testsupport::TempDir;
using slatewick::testsupport::writeFile;
namespace fs = std::filesystem;

TEST(UniqueDirectory, TakenNamesGetTheNextTwoDigitCounter)
{
    TempDir dir;
    EXPECT_EQ(createUniqueDirectory(dir.path(), "batch"), dir / "batch");
    EXPECT_EQ(createUniqueDirectory(dir.path(), "batch"), dir / "batch-02");
    writeFile(dir / "batch-03", "a file takes the name too");
    EXPECT_EQ(createUniqueDirectory(dir.path(), "batch"), dir / "batch-04");
    fs::create_symlink(dir / "nowhere", dir / "batch-05");
    EXPECT_EQ(createUniqueDirectory(dir.path(), "batch"), dir / "batch-06");
    EXPECT_TRUE(fs::is_directory(dir / "batch-06"));
}

TEST(UniqueDirectory, CountsPastNinetyNine)
{
    TempDir dir;
    fs::create_directory(dir / "b");
    for (int i = 2; i <= 99; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "b-%02d", i);
        fs::create_directory(dir / name);
    }
    EXPECT_EQ(createUniqueDirectory(dir.path(), "b"), dir / "b-100");
}

TEST(UniqueDirectory, ANestedNameIsSuffixedOnItsLastComponentAndMadeWithItsParents)
{
    TempDir dir;
    EXPECT_EQ(createUniqueDirectory(dir / "root", "2026/CARD01/A1B2"), dir / "root/2026/CARD01/A1B2");
    EXPECT_EQ(createUniqueDirectory(dir / "root", "2026/CARD01/A1B2"), dir / "root/2026/CARD01/A1B2-02");
}

TEST(ChecksumFile, OneLinePerFileInXxh128sumForm)
{
    Inventory listing{3, 3, {"DCIM/a.jpg", "back\\slash", "new\nline"}};
    const std::vector<ContentHash> hashes{{0x0123456789abcdefULL, 0xfedcba9876543210ULL}, {1, 2}, {0, 15}};
    EXPECT_EQ(checksumFileText(listing, hashes),
              "0123456789abcdeffedcba9876543210  DCIM/a.jpg\n"
              "00000000000000010000000000000002  back\\slash\n"
              "\\0000000000000000000000000000000f  new\\nline\n");
}

TEST(ChecksumFile, LeavesOutTheFilesTheRecordsReplace)
{
    Inventory listing{3, 0, {"DCIM/Slatewick-manifest.json", "Slatewick-checksums.xxh128", "Slatewick-manifest.json"}};
    const std::vector<ContentHash> hashes(3);
    EXPECT_EQ(checksumFileText(listing, hashes), "00000000000000000000000000000000  DCIM/Slatewick-manifest.json\n");
}

TEST(BatchRecords, WritesChecksumsAndManifestIntoEachFolder)
{
    TempDir dir;
    fs::create_directories(dir / "cache");
    fs::create_directories(dir / "server");
    writeFile(dir / "server/Slatewick-manifest.json", "old");
    BatchManifest manifest;
    manifest.sourceVolume = "CARD01";
    manifest.cachePath = (dir / "cache").string();
    writeBatchRecords({dir / "cache", dir / "server"}, manifest, "sums\n");
    for (const char *folder : {"cache", "server"}) {
        EXPECT_EQ(readFile(dir / folder / "Slatewick-checksums.xxh128"), "sums\n");
        const auto json = nlohmann::json::parse(readFile(dir / folder / "Slatewick-manifest.json"));
        EXPECT_EQ(json["sourceVolume"], "CARD01");
        EXPECT_EQ(json["cachePath"], (dir / "cache").string());
    }
}

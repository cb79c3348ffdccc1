#include "engine/inventory.h"

#include "childprocess.h"
#include "model/drainerror.h"
#include "platform/filesystemerror.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace slatewick;
using slatewick::testsupport::TempDir;
using slatewick::testsupport::writeFile;
namespace fs = std::filesystem;

TEST(Inventory, ListsRegularFilesSortedByteForByteAndSkipsHiddenOnes)
{
    TempDir dir;
    const fs::path card = dir / "card";
    writeFile(card / "b.jpg", "bb");
    writeFile(card / "DCIM/100CANON/IMG_0002.JPG", "22");
    writeFile(card / "DCIM/100CANON/IMG_0001.JPG", "1");
    writeFile(card / "DCIM/100CANON/.hidden.jpg", "hidden");
    writeFile(card / "a b", "");
    writeFile(card / "Z.jpg", "zzz");
    writeFile(card / ".DS_Store", "x");
    writeFile(card / ".Spotlight-V100/Store-V2/db", "index");
    writeFile(card / ".fseventsd/0001", "log");
    writeFile(card / ".Trashes/501/old.jpg", "old");
    writeFile(card / ".hiddenfolder/inside.jpg", "inside");
    writeFile(card / "\xc3\xa9t\xc3\xa9.jpg", "nfc");       // "été" composed
    writeFile(card / "e\xcc\x81te\xcc\x81.jpg", "nfd");      // "été" decomposed
    fs::create_directories(card / "EMPTY");

    const Inventory listing = inventory(card);
    const std::vector<std::string> expected{
        "DCIM/100CANON/IMG_0001.JPG", "DCIM/100CANON/IMG_0002.JPG", "Z.jpg", "a b", "b.jpg",
        "e\xcc\x81te\xcc\x81.jpg", "\xc3\xa9t\xc3\xa9.jpg"};
    EXPECT_EQ(listing.relativePaths, expected);
    EXPECT_EQ(listing.files, 7);
    EXPECT_EQ(listing.bytes, 1 + 2 + 3 + 0 + 2 + 3 + 3);
}

TEST(Inventory, EmptyOrHiddenOnlyTreesListNothing)
{
    TempDir dir;
    fs::create_directories(dir / "empty");
    EXPECT_EQ(inventory(dir / "empty"), Inventory{});
    writeFile(dir / "hidden/.DS_Store", "x");
    writeFile(dir / "hidden/.Trashes/a.jpg", "x");
    writeFile(dir / "hidden/.Spotlight-V100/b", "x");
    writeFile(dir / "hidden/.fseventsd/c", "x");
    EXPECT_EQ(inventory(dir / "hidden"), Inventory{});
}

TEST(Inventory, LinksAreNeitherListedNorFollowed)
{
    TempDir dir;
    const fs::path card = dir / "card";
    writeFile(card / "DCIM/a.jpg", "a");
    writeFile(dir / "outside/secret.jpg", "secret");
    writeFile(dir / "outside/deep/more.jpg", "more");
    fs::create_symlink(dir / "outside/secret.jpg", card / "filelink.jpg");
    fs::create_directory_symlink(dir / "outside", card / "DCIM/folderlink");
    fs::create_symlink(card / "DCIM/a.jpg", card / "DCIM/inner.jpg");
    fs::create_symlink(dir / "missing", card / "dangling.jpg");

    const Inventory listing = inventory(card);
    EXPECT_EQ(listing.relativePaths, std::vector<std::string>{"DCIM/a.jpg"});
    EXPECT_EQ(listing.bytes, 1);
}

TEST(Inventory, OtherEntriesThanFilesAndFoldersAreNotListed)
{
    TempDir dir;
    writeFile(dir / "card/a.jpg", "a");
    ASSERT_EQ(::mkfifo((dir / "card/fifo").c_str(), 0600), 0);
    EXPECT_EQ(inventory(dir / "card").relativePaths, std::vector<std::string>{"a.jpg"});
}

TEST(Inventory, AMissingRootIsAnUnavailableSource)
{
    TempDir dir;
    EXPECT_THROW(inventory(dir / "missing"), DrainError);
    writeFile(dir / "file", "x");
    try {
        inventory(dir / "file");
        FAIL() << "a file is not a tree";
    } catch (const DrainError &error) {
        EXPECT_EQ(error.kind(), DrainError::Kind::sourceUnavailable);
    }
}

TEST(Inventory, AnUnreadableFolderFailsTheListingWithTheSystemsReason)
{
    TempDir dir;
    const fs::path card = dir / "card";
    writeFile(card / "DCIM/a.jpg", "a");
    writeFile(card / "DCIM/locked/b.jpg", "b");
    // The folders must be reachable by the unprivileged user the check runs as.
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(card / "DCIM/locked", fs::perms(0700));
    const std::string expected = "Could not list " + (card / "DCIM/locked").string() + ": Permission denied";

    const auto listAsUnprivileged = [&]() -> std::string {
        // Root reads everything whatever the mode says, so the listing runs as nobody.
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            return "skip: cannot become an unprivileged user";
        try {
            inventory(card);
            return "listed";
        } catch (const FileSystemError &error) {
            return error.what();
        }
    };
    const auto result = testsupport::runInChild(listAsUnprivileged);
    if (result.output.rfind("skip:", 0) == 0)
        GTEST_SKIP() << result.output;
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.output, expected);
}

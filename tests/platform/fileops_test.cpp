#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/keyvaluestore.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace slatewick;
using slatewick::testsupport::TempDir;
namespace fs = std::filesystem;

TEST(FileOps, ErrorsNameTheOperationThePathAndTheReason)
{
    TempDir dir;
    try {
        fileops::readFile(dir / "missing");
        FAIL() << "no error";
    } catch (const FileSystemError &error) {
        EXPECT_EQ(std::string(error.what()), "Could not read " + (dir / "missing").string() + ": No such file or directory");
        EXPECT_EQ(error.errorNumber(), ENOENT);
    }
}

TEST(FileOps, ExclusiveFolderCreationRefusesATakenName)
{
    TempDir dir;
    EXPECT_TRUE(fileops::createDirectoryExclusive(dir / "a/b/c"));
    EXPECT_FALSE(fileops::createDirectoryExclusive(dir / "a/b/c"));
    testsupport::writeFile(dir / "file", "x");
    EXPECT_FALSE(fileops::createDirectoryExclusive(dir / "file"));
    EXPECT_THROW(fileops::createDirectories(dir / "file/sub"), FileSystemError);
}

TEST(FileOps, RemovingAFolderNeverFollowsLinksOutOfIt)
{
    TempDir dir;
    testsupport::writeFile(dir / "outside/keep.txt", "precious");
    testsupport::writeFile(dir / "card/DCIM/a.jpg", "a");
    fs::create_directory_symlink(dir / "outside", dir / "card/DCIM/link");
    fs::create_symlink(dir / "outside/keep.txt", dir / "card/filelink");
    fileops::removeEntry(dir / "card/DCIM");
    fileops::removeEntry(dir / "card/filelink");
    EXPECT_FALSE(fs::exists(dir / "card/DCIM"));
    EXPECT_FALSE(fs::is_symlink(dir / "card/filelink"));
    EXPECT_EQ(testsupport::readFile(dir / "outside/keep.txt"), "precious");
}

TEST(FileOps, DirectEntriesIncludeHiddenOnes)
{
    TempDir dir;
    testsupport::writeFile(dir / ".hidden", "");
    testsupport::writeFile(dir / "DCIM/x", "");
    auto names = fileops::directEntryNames(dir.path());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "DCIM"}));
    EXPECT_THROW(fileops::directEntryNames(dir / "missing"), FileSystemError);
}

TEST(KeyValueStore, MissingKeyDiffersFromEmptyValueAndWritesAreAtomic)
{
    TempDir dir;
    KeyValueStore store(dir / "config/Slatewick");
    EXPECT_EQ(store.read("k"), std::nullopt);
    store.write("k", "");
    EXPECT_EQ(store.read("k"), std::string());
    store.write("k", "value");
    EXPECT_EQ(store.read("k"), "value");
    EXPECT_EQ(std::distance(fs::directory_iterator(store.folder()), fs::directory_iterator()), 1);
}

#include "engine/cardclearing.h"

#include "platform/filesystemerror.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace slatewick;
using slatewick::testsupport::readFile;
using slatewick::testsupport::TempDir;
using slatewick::testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> topLevel(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ClearCard, KeepsOnlyTheFourProtectedEntries)
{
    TempDir dir;
    const fs::path card = dir / "card";
    writeFile(card / "DCIM/100CANON/IMG_0001.JPG", "1");
    writeFile(card / "DCIM/.DS_Store", "nested view settings go with their folder");
    writeFile(card / "MISC/x", "x");
    writeFile(card / ".hidden", "h");
    writeFile(card / ".hiddenfolder/y", "y");
    writeFile(card / "top.txt", "t");
    writeFile(card / ".DS_Store", "view");
    writeFile(card / ".Spotlight-V100/Store", "index");
    writeFile(card / ".fseventsd/log", "log");
    writeFile(card / ".Trashes/501/old", "old");
    clearCard(card);
    EXPECT_EQ(topLevel(card), (std::vector<std::string>{".DS_Store", ".Spotlight-V100", ".Trashes", ".fseventsd"}));
    EXPECT_EQ(readFile(card / ".Trashes/501/old"), "old");
    EXPECT_EQ(readFile(card / ".Spotlight-V100/Store"), "index");
}

TEST(ClearCard, AnEmptyOrProtectedOnlyCardIsLeftAsItIs)
{
    TempDir dir;
    fs::create_directories(dir / "empty");
    EXPECT_NO_THROW(clearCard(dir / "empty"));
    writeFile(dir / "kept/.DS_Store", "v");
    EXPECT_NO_THROW(clearCard(dir / "kept"));
    EXPECT_EQ(topLevel(dir / "kept"), std::vector<std::string>{".DS_Store"});
}

TEST(ClearCard, LinksAreRemovedAsLinksAndTheirTargetsStay)
{
    TempDir dir;
    const fs::path card = dir / "card";
    writeFile(card / "DCIM/a.jpg", "a");
    writeFile(dir / "outside/keep.jpg", "precious");
    fs::create_directory_symlink(dir / "outside", card / "folderlink");
    fs::create_symlink(dir / "outside/keep.jpg", card / "filelink.jpg");
    fs::create_directory_symlink(dir / "outside", card / "DCIM/nestedlink");
    clearCard(card);
    EXPECT_TRUE(topLevel(card).empty());
    EXPECT_EQ(readFile(dir / "outside/keep.jpg"), "precious");
}

TEST(ClearCard, AMissingCardFailsAndRemovesNothing)
{
    TempDir dir;
    EXPECT_THROW(clearCard(dir / "missing"), FileSystemError);
}

TEST(ClearCard, ProtectedNamesAreExactWholeNames)
{
    EXPECT_TRUE(isProtectedCardEntry(".Trashes"));
    EXPECT_FALSE(isProtectedCardEntry(".trashes"));
    EXPECT_FALSE(isProtectedCardEntry(".DS_Store2"));
    EXPECT_FALSE(isProtectedCardEntry("DS_Store"));
}

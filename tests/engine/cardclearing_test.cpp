#include "engine/cardclearing.h"

#include "engine/drainfixture.h"

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

TEST(ClearCard, KeepsTheFourProtectedNamesAndRemovesEverythingElseLinksAsLinks)
{
    TempDir dir;
    const fs::path card = dir / "card";
    for (const char *name : {"DCIM/100CANON/IMG_0001.JPG", "DCIM/.DS_Store", "top.txt", ".hidden", ".hiddenfolder/y",
                             ".trashes", ".DS_Store", ".Spotlight-V100/Store", ".fseventsd/log", ".Trashes/501/old"})
        writeFile(card / name, name);
    writeFile(dir / "outside/keep.jpg", "precious");
    fs::create_symlink(dir / "outside/keep.jpg", card / "filelink.jpg");
    fs::create_directory_symlink(dir / "outside", card / "folderlink");
    fs::create_directory_symlink(dir / "outside", card / "DCIM/nestedlink");

    clearCard(card);
    EXPECT_EQ(entryNames(card), (std::vector<std::string>{".DS_Store", ".Spotlight-V100", ".Trashes", ".fseventsd"}));
    EXPECT_EQ(readFile(card / ".Trashes/501/old"), ".Trashes/501/old");
    EXPECT_EQ(readFile(dir / "outside/keep.jpg"), "precious");
}

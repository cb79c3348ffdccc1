#include "engine/files/inventory.h"

#include "engine/drainfixture.h"
#include "platform/filesystemerror.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

TEST(CardContent, OnlyVisibleRegularFilesAreListedAndClearingKeepsTheFourProtectedNamesAndEverythingOutside)
{
    DrainWorld world;
    const fs::path card = world.card;
    const TempDir &dir = world.dir;
    // Byte for byte: upper case first, and "été" decomposed before "été" composed.
    const Names listed{"DCIM/100CANON/IMG_0001.JPG", "DCIM/100CANON/IMG_0002.JPG", "Z.jpg", "a b", "b.jpg",
                       "e\xcc\x81te\xcc\x81.jpg", "\xc3\xa9t\xc3\xa9.jpg"};
    for (const std::string &name : listed)
        writeFile(card / name, "xx");
    for (const char *name : {"DCIM/.hidden.jpg", "DCIM/.DS_Store", ".hidden", ".hiddenfolder/in.jpg", ".trashes",
                             ".DS_Store", ".Spotlight-V100/Store-V2/db", ".fseventsd/0001", ".Trashes/501/old.jpg"})
        writeFile(card / name, name);
    writeFile(dir / "outside/deep/secret.jpg", "secret");
    fs::create_symlink(dir / "outside/deep/secret.jpg", card / "filelink.jpg");
    for (const char *link : {"folderlink", "DCIM/folderlink"})
        fs::create_directory_symlink(dir / "outside", card / link);
    ASSERT_EQ(::mkfifo((card / "fifo").c_str(), 0600), 0);

    EXPECT_EQ(inventory(card), (Inventory{7, 14, listed}));
    EXPECT_TRUE(world.drain().cardCleared);
    EXPECT_EQ(entryNames(card), (Names{".DS_Store", ".Spotlight-V100", ".Trashes", ".fseventsd"}));
    EXPECT_EQ(readFile(card / ".Trashes/501/old.jpg"), ".Trashes/501/old.jpg");
    EXPECT_EQ(readFile(dir / "outside/deep/secret.jpg"), "secret");
}

TEST(Inventory, AnUnreadableFolderFailsTheListingWithTheSystemsReason)
{
    // Root reads whatever the mode says, so the listing runs as nobody, in a child process.
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to list as another user a folder that user cannot read";
    TempDir dir;
    writeFile(dir / "card/DCIM/locked/a.jpg", "a");
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir / "card/DCIM/locked", fs::perms(0700));
    const auto listAsNobody = [&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            std::fputs("could not become nobody", stderr);
        std::fputs(failureText<FileSystemError>([&] { inventory(dir / "card"); }).c_str(), stderr);
        std::_Exit(0);
    };
    EXPECT_EXIT(listAsNobody(), testing::ExitedWithCode(0), "^Could not list .*/card/DCIM/locked: Permission denied$");
}

// Cards no camera writes but a drain must still get right: huge sparse files,
// entries swapped after the listing, names the batch keeps for its own records.
#include "engine/drainfixture.h"

#include <sys/stat.h>

#include <fstream>

// Bytes this thread has read through read(2) and its kin, holes included; its first line.
std::int64_t bytesReadByThisThread()
{
    return std::stoll(readFile("/proc/thread-self/io").substr(std::string("rchar: ").size()));
}

TEST(HardInputs, ASparseFileIsReadWholeFromTheCardAndKeepsItsHolesInTheCopies)
{
    DrainWorld world;
    const std::int64_t size = std::int64_t(384) << 20;
    writeFile(world.card / "VIDEO/CLIP0001.XML", "<clip/>");
    {
        std::ofstream out(world.card / "VIDEO/CLIP0001.MXF", std::ios::binary);
        out << "header";
        out.seekp(size / 2);
        out << "middle";
        out.seekp(size - 7);
        out << "trailer";
    }

    // The card's file system may call a range a hole wrongly: the card's hash
    // must be of bytes read from it, so the holes are read too.
    const std::int64_t readBefore = bytesReadByThisThread();
    const DrainEngine::Outcome outcome = world.drain();
    EXPECT_GE(bytesReadByThisThread() - readBefore, size) << "every byte of the card's file was read";
    EXPECT_EQ(outcome.bytes, size + 7);
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        const fs::path copy = batch / "VIDEO/CLIP0001.MXF";
        ASSERT_EQ(static_cast<std::int64_t>(fs::file_size(copy)), size);
        struct stat st {};
        ASSERT_EQ(::stat(copy.c_str(), &st), 0);
        EXPECT_LT(st.st_blocks * 512, std::int64_t(4) << 20) << "the holes stayed holes";
    }
}

TEST(HardInputs, AFileSwappedForAFifoOrAFolderForALinkAfterTheListingNeitherHangsNorReadsOutsideTheCard)
{
    for (const bool fifo : {true, false}) {
        DrainWorld world;
        writeFile(world.card / "DCIM/a.jpg", "a");
        writeFile(world.card / "DCIM/sub/b.jpg", "the card's b");
        writeFile(world.dir / "outside/b.jpg", "a file outside the card");
        // The first report comes once the card is listed, before any file is read.
        world.onReport = [&](const Report &report) {
            if (report.kind != DrainEvent::Kind::listed)
                return;
            if (fifo) {
                fs::remove(world.card / "DCIM/a.jpg");
                ASSERT_EQ(::mkfifo((world.card / "DCIM/a.jpg").c_str(), 0600), 0);
            } else {
                fs::remove_all(world.card / "DCIM/sub");
                fs::create_directory_symlink(world.dir / "outside", world.card / "DCIM/sub");
            }
        };
        EXPECT_NE(failureText([&] { world.drain(); }), "") << "fifo: " << fifo;
        EXPECT_FALSE(fs::exists(world.server / "CARD01/Slatewick-manifest.json"));
        for (const fs::path &root : {world.data, world.server})
            for (const std::string &file : listedFiles(root, true))
                EXPECT_NE(readFile(root / file), "a file outside the card") << file;
    }
}

// The batch's own records would overwrite such a file in the cache, and the card's copy would then be cleared.
TEST(HardInputs, ACardEntryNamedLikeABatchRecordFailsTheDrainBeforeAnythingIsCopied)
{
    for (const std::string name : {"Slatewick-checksums.xxh128", "Slatewick-manifest.json", "SLATEWICK-MANIFEST.JSON"}) {
        DrainWorld world;
        writeFile(world.card / "DCIM/a.jpg", "a");
        // Any kind of entry: a file, or a folder.
        const fs::path entry = world.card / name;
        writeFile(name.ends_with("json") ? entry / "notes.txt" : entry, "0123  DCIM/a.jpg\n");
        const Names before = listedFiles(world.card, true);

        EXPECT_EQ(world.drainFailure(), "The card holds " + name + " at its top level, a name Slatewick keeps for "
                                        "its own records. Rename or move it, then put the card in again.");
        EXPECT_FALSE(fs::exists(world.cacheRoot() / "CARD01")) << name;
        EXPECT_EQ(listedFiles(world.card, true), before) << name;
        EXPECT_EQ(entryNames(world.server), Names{}) << name;
    }
}

#include "engine/files/treecopy.h"

#include "engine/drainfixture.h"
#include "engine/files/readback.h"
#include "engine/files/verification.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"
#include "support/loopdevice.h"

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Copies five files and verifies the copy, with or without a read-back that reads
// each as soon as it is handed over. The fault ("flipped": a byte of the first file;
// "extra", "missing", "resized") is made once the last file is copied, after the
// read-back has read the first four.
void copyAndVerify(bool overlapped, const std::string &fault = {})
{
    TempDir dir;
    for (int i = 0; i < 5; ++i)
        writeFile(dir / "card/DCIM" / ("f" + std::to_string(i)), std::string(70000, static_cast<char>('a' + i)));
    const Inventory listing = inventory(dir / "card");
    fs::create_directories(dir / "copy");
    ReadBack readBack(dir / "copy", listing, false, ReadBack::Grouping{1, 1});
    ReadBack *const overlap = overlapped ? &readBack : nullptr;
    int reports = 0;
    const ProgressUpdate update = [&](const DrainEvent &) {
        if (++reports < 5 || fault.empty())
            return;
        if (overlapped && !waitUntil([&] { return readBack.completed() == 4; }))
            throw std::runtime_error("the read-back did not read the first four files");
        if (fault == "flipped")
            flipFirstByte(dir / "copy/DCIM/f0");
        else if (fault == "extra")
            writeFile(dir / "copy/DCIM/f5", "f5");
        else if (fault == "missing")
            fs::remove(dir / "copy/DCIM/f0");
        else
            writeFile(dir / "copy/DCIM/f0", "f0, and resized");
    };
    const auto hashes =
        copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, update, {}, {.readBack = overlap});
    verifyCopy(dir / "copy", listing, hashes, "local cache", overlap);
}

// Where the file's first byte lies on its device, once the file is flushed; -1 if unknown.
std::int64_t deviceOffset(const fs::path &file)
{
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    alignas(fiemap) char request[sizeof(fiemap) + sizeof(fiemap_extent)]{};
    auto *map = reinterpret_cast<fiemap *>(request);
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = 1;
    if (!fd || ::ioctl(fd.get(), FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents != 1)
        return -1;
    return static_cast<std::int64_t>(map->fm_extents[0].fe_physical);
}

} // namespace

TEST(CopyTree, AnExistingDestinationFileIsRefusedAndKept)
{
    TempDir dir;
    writeFile(dir / "card/a.jpg", "new");
    writeFile(dir / "card-copy/a.jpg", "old");
    const auto copy = [&] {
        copyTree(dir / "card", dir / "card-copy", inventory(dir / "card"), DrainPhase::caching, [](auto &) {}, {});
    };
    EXPECT_EQ(failureText<FileSystemError>(copy),
              "Could not copy " + (dir / "card-copy/a.jpg").string() + ": File exists");
    EXPECT_EQ(readFile(dir / "card-copy/a.jpg"), "old");
}

TEST(VerifyCopy, AnExactCopyVerifiesAndAFlippedByteAnExtraAMissingOrAResizedFileFailsWithAndWithoutOverlappedReadBack)
{
    for (const bool overlapped : {false, true}) {
        EXPECT_NO_THROW(copyAndVerify(overlapped)) << "overlapped: " << overlapped;
        for (const std::string fault : {"flipped", "extra", "missing", "resized"})
            EXPECT_EQ(failureText<DrainError>([&] { copyAndVerify(overlapped, fault); }),
                      "The copied files at local cache did not match the source.")
                << fault << ", overlapped: " << overlapped;
    }
}

// A flushed copy's pages stay in memory; changing its bytes on the device under the
// mounted file system is seen only by a read that drops those pages first.
TEST(VerifyCopy, ReadsEachFileFromStorageNotFromThePagesTheCopyLeftInMemory)
{
    SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace(), loopDeviceRefusal());
    for (const bool overlapped : {false, true}) {
        TempDir dir;
        writeFile(dir / "card/a.jpg", std::string(70000, 'a'));
        const Inventory listing = inventory(dir / "card");
        Ext4Card cache(dir / "cache.img", "CACHE", 16 << 20);
        ASSERT_EQ(cache.error(), "");
        ASSERT_EQ(cache.mount(dir / "cache"), "");
        const fs::path copy = dir / "cache/copy";
        fs::create_directories(copy);
        // Its one group is read only when verifyCopy closes it, after the device changed.
        ReadBack readBack(copy, listing, true, ReadBack::Grouping{1 << 30, 1000});
        ReadBack *const overlap = overlapped ? &readBack : nullptr;
        const auto hashes =
            copyTree(dir / "card", copy, listing, DrainPhase::caching, [](auto...) {}, {}, {.readBack = overlap});
        const std::int64_t offset = deviceOffset(copy / "a.jpg");
        ASSERT_GT(offset, 0);
        const UniqueFd image(::open((dir / "cache.img").c_str(), O_WRONLY | O_CLOEXEC));
        ASSERT_TRUE(image && ::pwrite(image.get(), "b", 1, offset) == 1 && ::fdatasync(image.get()) == 0);
        EXPECT_EQ(failureText<DrainError>([&] { verifyCopy(copy, listing, hashes, "local cache", overlap); }),
                  DrainError::verificationFailed("local cache").what())
            << "overlapped: " << overlapped;
    }
}

// Clearing removes the card that was drained, and of it only what is safe in the cache.
#include "engine/card/cardidentity.h"

#include "engine/drainfixture.h"
#include "support/loopdevice.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <map>

using namespace std::chrono_literals;

namespace {

// An ext4 card image holding one file, labelled as cameras label every card.
std::unique_ptr<Ext4Card> card(const TempDir &dir, const std::string &name, const std::string &file)
{
    writeFile(dir / ("content-" + name) / file, name);
    auto made = std::make_unique<Ext4Card>(dir / (name + ".img"), "EOS_DIGITAL", 8 << 20, dir / ("content-" + name));
    EXPECT_EQ(made->error(), "");
    return made;
}

struct ClearingMounts : ::testing::Test {
    void SetUp() override { SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace(), loopDeviceRefusal()); }
};

} // namespace

TEST(Clearing, FilesThatAppearOrChangeAfterTheListingStayOnTheCardWithTheirFolders)
{
    DrainWorld world;
    world.writeCard({"DCIM/a.jpg", "DCIM/b.jpg", "MISC/c.txt"});
    writeFile(world.card / ".DS_Store", "kept");
    writeFile(world.card / "DCIM/.thumbs/a.jpg", "hidden, never copied, cleared");
    fs::create_symlink("/etc/hostname", world.card / "DCIM/link");
    // Between the verified copy and the clearing, as the drain reports that it clears.
    world.onReport = [&](const Report &report) {
        if (report.phase != DrainPhase::clearing)
            return;
        writeFile(world.card / "DCIM/new.jpg", "taken after the listing");
        writeFile(world.card / "DCIM/b.jpg", "DCIM/B.jpg"); // same size
        fs::last_write_time(world.card / "DCIM/b.jpg", fs::last_write_time(world.card / "DCIM/a.jpg") + 1s);
        // Rewritten in place with its modification time put back, as a metadata editor may.
        const fs::file_time_type written = fs::last_write_time(world.card / "MISC/c.txt");
        writeFile(world.card / "MISC/c.txt", "MISC/C.txt");
        fs::last_write_time(world.card / "MISC/c.txt", written);
    };

    const DrainEngine::Outcome outcome = world.drain();

    EXPECT_EQ(outcome.notCleared, (NotCleared{NotCleared::Reason::filesLeft, 3, {}, {}, {}}));
    EXPECT_EQ(entryNames(world.card), (Names{".DS_Store", "DCIM", "MISC"}));
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"b.jpg", "new.jpg"}));
    EXPECT_EQ(readFile(world.card / "DCIM/b.jpg"), "DCIM/B.jpg");
    EXPECT_EQ(readFile(world.card / "MISC/c.txt"), "MISC/C.txt");
    EXPECT_EQ(readFile(outcome.remoteURL / "DCIM/b.jpg"), "DCIM/b.jpg");
    EXPECT_EQ(readFile(outcome.remoteURL / "MISC/c.txt"), "MISC/c.txt");
}

TEST(Clearing, AFileWrittenToWhileItIsReadFailsTheDrainBeforeAnythingIsCleared)
{
    DrainWorld world;
    writeFile(world.card / "DCIM/a.jpg", "a");
    writeFile(world.card / "DCIM/clip.mp4", std::string(3 << 20, 'v'));
    bool written = false;
    world.onBytes = [&](DrainPhase phase, std::int64_t done, std::int64_t) {
        // Inside the clip: one block of it is read, two are still to come.
        if (phase == DrainPhase::caching && done > (1 << 20) && !written) {
            written = true;
            const UniqueFd clip(::open((world.card / "DCIM/clip.mp4").c_str(), O_WRONLY | O_CLOEXEC));
            ASSERT_EQ(::pwrite(clip.get(), "W", 1, 0), 1);
        }
    };
    EXPECT_EQ(world.drainFailure(), "The file DCIM/clip.mp4 changed on the card while it was being copied, so "
                                    "nothing was cleared. Insert the card again to drain it.");
    EXPECT_TRUE(written);
    EXPECT_EQ(entryNames(world.card / "DCIM"), (Names{"a.jpg", "clip.mp4"}));
    EXPECT_TRUE(entryNames(world.server).empty());
}

TEST_F(ClearingMounts, OnlyTheListedCardIsClearedNeverOneThatTookItsPlaceOrTheFolderUnderIt)
{
    struct Case {
        const char *what;
        bool useUniqueMountIds;
        bool swap; // else the card is taken out, leaving its mount point
        NotCleared::Reason reason;
    };
    for (const Case &c : {Case{"swapped", true, true, NotCleared::Reason::swapped},
                          Case{"swapped, as on a kernel before 6.8", false, true, NotCleared::Reason::swapped},
                          Case{"taken out", true, false, NotCleared::Reason::takenOut}}) {
        DrainWorld world;
        world.options.useUniqueMountIds = c.useUniqueMountIds;
        writeFile(world.card / "under-the-mount.txt", "the laptop's own file");
        const auto first = card(world.dir, "first", "DCIM/first.jpg");
        const auto second = card(world.dir, "second", "DCIM/second.jpg");
        ASSERT_EQ(first->mount(world.card), "");
        world.onReport = [&](const Report &report) {
            if (report.phase != DrainPhase::clearing)
                return;
            first->unmount();
            if (c.swap) {
                EXPECT_EQ(second->mount(world.card), "");
            }
        };

        const DrainEngine::Outcome outcome = world.drain();

        EXPECT_EQ(outcome.notCleared.value_or(NotCleared{}).reason, c.reason) << c.what;
        for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL})
            EXPECT_EQ(manifestIn(batch)["cardCleared"], false) << c.what;
        EXPECT_EQ(readFile(outcome.remoteURL / "DCIM/first.jpg"), "first") << c.what;
        if (c.swap)
            EXPECT_EQ(readFile(world.card / "DCIM/second.jpg"), "second") << c.what;
        else
            EXPECT_EQ(readFile(world.card / "under-the-mount.txt"), "the laptop's own file") << c.what;
    }
}

TEST_F(ClearingMounts, TwoCardsInTurnInOneReaderAreToldApartByTheirFileSystemsEvenWithoutUniqueMountIds)
{
    TempDir dir;
    const auto first = card(dir, "first", "a.jpg");
    const auto second = card(dir, "second", "a.jpg");
    // The same reader, the same mount point, the same label and root inode: only the file system differs.
    const auto identityNow = [&] {
        EXPECT_EQ(first->mount(dir / "card"), "");
        const UniqueFd root(::open((dir / "card").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        const CardIdentity identity = CardIdentity::of(root.get(), false);
        first->unmount();
        return identity;
    };
    const CardIdentity before = identityNow();
    EXPECT_TRUE(before.sameCard(identityNow())) << "the same card mounted again";
    writeFile(dir / "first.img", readFile(dir / "second.img"));
    const UniqueFd device(::open(first->loop().node().c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::ioctl(device.get(), BLKFLSBUF, 0), 0) << std::strerror(errno);
    const CardIdentity after = identityNow();
    EXPECT_EQ(after.device, before.device);
    EXPECT_FALSE(before.sameCard(after));
}

// Memory does not survive a power cut: the card keeps its files, the server still gets its copy.
TEST_F(ClearingMounts, ACacheKeptInMemoryLeavesTheCardWholeAndTheBatchGoesOnToTheServer)
{
    DrainWorld world;
    writeFile(world.card / "DCIM/a.jpg", "a");
    fs::create_directories(world.data);
    const ScopedMount memory("tmpfs", world.data, "tmpfs");
    ASSERT_TRUE(memory.mounted()) << memory.error();

    const DrainEngine::Outcome outcome = world.drain();

    EXPECT_EQ(outcome.notCleared, (NotCleared{NotCleared::Reason::cacheInMemory, 0, "tmpfs", {}, {}}));
    EXPECT_EQ(listedFiles(world.card), Names{"DCIM/a.jpg"});
    EXPECT_EQ(readFile(outcome.remoteURL / "DCIM/a.jpg"), "a");

    // Memory behind a disk's face: an image on the tmpfs, an overlay written to it; and a real disk.
    const auto storageAt = [](const fs::path &folder) {
        const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        return memoryStorageOf(fd.get()).value_or("disk");
    };
    const auto disk = card(world.dir, "disk", "a.jpg");
    Ext4Card image(world.data / "card.img", "EOS_DIGITAL", 8 << 20);
    ASSERT_EQ(disk->mount(world.dir / "disk") + image.error() + image.mount(world.dir / "image"), "");
    for (const char *folder : {"upper", "work", "lower", "ramfs", "overlay", "diskOverlay"})
        fs::create_directories(world.dir / folder);
    fs::create_directories(world.data / "upper");
    fs::create_directories(world.data / "work");
    const auto overlay = [&](const fs::path &on, const std::string &at) {
        return std::make_unique<ScopedMount>("overlay", world.dir / at, "overlay", 0,
                                             "lowerdir=" + (world.dir / "lower").string() + ",upperdir="
                                                 + (on / "upper").string() + ",workdir=" + (on / "work").string());
    };
    const auto memoryOverlay = overlay(world.data, "overlay");
    const auto diskOverlay = overlay(world.dir.path(), "diskOverlay");
    const ScopedMount ramfs("ramfs", world.dir / "ramfs", "ramfs");
    ASSERT_EQ(memoryOverlay->error() + diskOverlay->error() + ramfs.error(), "");
    for (const auto &[folder, storage] : std::map<std::string, std::string>{
             {"disk", "disk"}, {"image", "tmpfs"}, {"overlay", "tmpfs"}, {"diskOverlay", "disk"}, {"ramfs", "ramfs"}})
        EXPECT_EQ(storageAt(world.dir / folder), storage) << folder;
}

// A start finds the card it drained before: by its file system's serial and the files it
// holds, unchanged, or none once cleared. A card of the same name drains as any other.
TEST_F(ClearingMounts, ACardDrainedBeforeIsKnownByItsSerialAndItsFilesOrItsEmptiness)
{
    DrainWorld world;
    world.options.stateFolder = world.dir / "state";
    world.settings.clearAfterCopy = false;
    const auto first = card(world.dir, "first", "DCIM/first.jpg");
    const auto second = card(world.dir, "second", "DCIM/first.jpg");
    ASSERT_EQ(first->mount(world.card), "");
    EXPECT_FALSE(DrainEngine(world.data, world.options).alreadyDrained(world.inserted));
    const DrainEngine::Outcome kept = world.drain();
    const auto knownAs = [&] {
        const std::optional<BatchRecord> record = DrainEngine(world.data, world.options).alreadyDrained(world.inserted);
        return record ? record->cacheBatch : fs::path();
    };
    EXPECT_EQ(knownAs(), kept.batchURL);
    first->unmount();
    ASSERT_EQ(second->mount(world.card), "");
    EXPECT_EQ(knownAs(), fs::path()) << "the same name and files on another card";
    second->unmount();

    ASSERT_EQ(first->mount(world.card), "");
    writeFile(world.card / "DCIM/new.jpg", "taken since");
    EXPECT_EQ(knownAs(), fs::path());
    world.settings.clearAfterCopy = true;
    const DrainEngine::Outcome cleared = world.drain();
    ASSERT_TRUE(cleared.cardCleared);
    EXPECT_EQ(knownAs(), cleared.batchURL) << "emptied by its own drain";
}

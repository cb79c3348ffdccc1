// Drains on the media people use: exFAT cards through FUSE, a cache on FUSE.
#include "engine/drainfixture.h"
#include "support/exfatcard.h"
#include "support/fusemount.h"
#include "support/loopdevice.h"

#include <sys/wait.h>

#include <fstream>
#include <map>
#include <set>
#include <regex>

using namespace std::chrono_literals;

namespace {

struct RealMedia : ::testing::Test {
    void SetUp() override { SLATEWICK_SKIP_UNLESS_ALLOWED(fuseRefusal(), loopDeviceRefusal(), straceRefusal()); }
};

const Names cameraFiles{"DCIM/100EOS5D/IMG_0001.CR3", "DCIM/100EOS5D/IMG_0002.CR3", "DCIM/100EOS5D/MVI_0003.MP4",
                      "MISC/AUTPRINT.MRK"};

} // namespace

// exFAT through FUSE, as most cards come: the card drains, verifies and is
// cleared. A cache there too gets each file flushed on its own, since syncfs on
// FUSE need not reach the storage, and each folder made on the way to the batch
// and its records flushed in its parent before the card's first file goes: a
// file system need not keep a folder's entry until its parent is flushed.
TEST_F(RealMedia, AnExFatCardDrainsIntoAFreshExFatCacheFlushingEachFileAndFolderBeforeItIsCleared)
{
    DrainWorld world;
    for (const std::string &name : cameraFiles)
        writeFile(world.dir / "content" / name, std::string(300'000 + name.size(), name.back()));
    ASSERT_EQ(makeExFatImage(world.dir / "card.img", "EOS_DIGITAL", 16 << 20, world.dir / "content"), "");
    ASSERT_EQ(makeExFatImage(world.dir / "cache.img", "CACHE", 16 << 20), "");
    fs::create_directories(world.data);
    ExFatCardMount card(world.dir / "card.img", world.card);
    ExFatCardMount cache(world.dir / "cache.img", world.data);
    ASSERT_EQ(card.error() + cache.error(), "");
    ASSERT_EQ(mountTypeAt(world.card), "fuseblk");

    const fs::path trace = world.dir / "traces" / "thread";
    fs::create_directories(trace.parent_path());
    // One trace per thread (-ff), so that no call is split across lines.
    // Leak checking under the sanitizers traces the process itself, which strace already does.
    ProgramProcess drain("strace",
                         {"-ff", "-y", "-e", "trace=fsync,fdatasync,mkdir,mkdirat,unlink,unlinkat", "-o",
                          trace.string(), drainOnceProgram().string(), world.card.string(), world.data.string(),
                          world.server.string(), "clear", "{card}/{batch}", (world.data / "state").string()},
                         {{"ASAN_OPTIONS", "detect_leaks=0"}});
    const std::optional<int> status = drain.waitForExit(60s);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);

    std::map<std::string, int> flushes;
    std::set<fs::path> made;
    std::optional<std::set<fs::path>> unflushedWhenClearing;
    const std::regex flush(R"(^f(data)?sync\(\d+<([^>]*)>\) = 0)");
    // mkdirat names its folder beside the one it is made in, mkdir by its path.
    const std::regex make(R"re(^mkdir(?:at\(\d+<([^>]*)>, |\()"([^"]*)", \d+\) = 0)re");
    const std::regex removeAt(R"(^unlinkat\(\d+<([^>]*)>)");
    for (const auto &threadTrace : fs::directory_iterator(trace.parent_path())) {
        std::set<fs::path> unflushed; // parents of the folders this thread made
        std::ifstream lines(threadTrace.path());
        for (std::string line; std::getline(lines, line);) {
            std::smatch match;
            if (std::regex_search(line, match, flush)) {
                ++flushes[match[2]];
                if (!match[1].matched)
                    unflushed.erase(fs::path(match[2].str()));
            } else if (std::regex_search(line, match, make)) {
                const fs::path folder = fs::path(match[1].str()) / match[2].str();
                if (!unflushedWhenClearing)
                    made.insert(folder);
                unflushed.insert(folder.parent_path());
            } else if (std::regex_search(line, match, removeAt) && !unflushedWhenClearing
                       && (match[1].str() + "/").starts_with(world.card.string() + "/")) {
                unflushedWhenClearing = unflushed;
            }
        }
    }
    const Names batches = entryNames(world.cacheRoot() / "CARD01");
    ASSERT_EQ(batches.size(), 1u);
    const fs::path batch = world.cacheRoot() / "CARD01" / batches[0];
    ASSERT_TRUE(unflushedWhenClearing) << "the card was cleared";
    EXPECT_EQ(*unflushedWhenClearing, std::set<fs::path>{});
    for (const fs::path &folder : {world.data / "Slatewick", world.cacheRoot(), batch.parent_path(), batch,
                                   world.data / "state"})
        EXPECT_TRUE(made.contains(folder)) << folder;
    EXPECT_EQ(entryNames(world.card), Names{});
    EXPECT_EQ(manifestIn(world.server / "CARD01" / batches[0])["cardCleared"], true);
    for (const std::string &name : cameraFiles) {
        EXPECT_EQ(readFile(world.server / "CARD01" / batches[0] / name), readFile(world.dir / "content" / name)) << name;
        EXPECT_EQ(flushes[(batch / name).string()], 1) << name;
    }
}

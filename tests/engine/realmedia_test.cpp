// Drains on the media people use: exFAT cards through FUSE, a cache on FUSE.
#include "engine/drainfixture.h"
#include "support/exfatcard.h"
#include "support/fusemount.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"

#include <sys/wait.h>

#include <fstream>
#include <map>
#include <regex>

using namespace slatewick;
using namespace slatewick::testsupport;
using namespace std::chrono_literals;

namespace {

struct RealMedia : ::testing::Test {
    void SetUp() override
    {
        for (const std::string &refusal : {fuseRefusal(), loopDeviceRefusal()})
            if (!refusal.empty())
                GTEST_SKIP() << refusal;
    }
};

const Names cardFiles{"DCIM/100EOS5D/IMG_0001.CR3", "DCIM/100EOS5D/IMG_0002.CR3", "DCIM/100EOS5D/MVI_0003.MP4",
                      "MISC/AUTPRINT.MRK"};

} // namespace

// exFAT through FUSE, as most cards come: the card drains, verifies and is
// cleared. A cache there too gets each file flushed on its own, since syncfs on
// FUSE need not reach the storage.
TEST_F(RealMedia, AnExFatCardDrainsIntoAnExFatCacheFlushingEachFileOnceAndIsCleared)
{
    if (const std::string refusal = runProgram("strace", {"-o", "/dev/null", "true"}); !refusal.empty())
        GTEST_SKIP() << "strace cannot trace here: " << refusal;
    DrainWorld world;
    for (const std::string &name : cardFiles)
        writeFile(world.dir / "content" / name, std::string(300'000 + name.size(), name.back()));
    ASSERT_EQ(makeExFatImage(world.dir / "card.img", "EOS_DIGITAL", 16 << 20, world.dir / "content"), "");
    ASSERT_EQ(makeExFatImage(world.dir / "cache.img", "CACHE", 16 << 20), "");
    fs::create_directories(world.data);
    ExFatCardMount card(world.dir / "card.img", world.card);
    ExFatCardMount cache(world.dir / "cache.img", world.data);
    ASSERT_EQ(card.error() + cache.error(), "");
    ASSERT_EQ(mountTypeAt(world.card), "fuseblk");

    const fs::path trace = world.dir / "trace.log";
    const fs::path drainOnce = fs::read_symlink("/proc/self/exe").parent_path() / "drain_once";
    // Leak checking under the sanitizers traces the process itself, which strace already does.
    ProgramProcess drain("strace",
                         {"-f", "-y", "-e", "trace=fsync,fdatasync", "-o", trace.string(), drainOnce.string(),
                          world.card.string(), world.data.string(), world.server.string(), "clear"},
                         {{"ASAN_OPTIONS", "detect_leaks=0"}});
    const std::optional<int> status = drain.waitForExit(60s);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);

    std::map<std::string, int> flushes;
    const std::regex flush(R"(f(?:data)?sync\(\d+<([^>]*)>\) = 0)");
    std::ifstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, flush))
            ++flushes[match[1]];
    }
    EXPECT_EQ(entryNames(world.card), Names{});
    EXPECT_EQ(manifestIn(world.server / "CARD01")["cardCleared"], true);
    for (const std::string &name : cardFiles) {
        EXPECT_EQ(readFile(world.server / "CARD01" / name), readFile(world.dir / "content" / name)) << name;
        EXPECT_EQ(flushes[(world.cacheRoot() / "CARD01" / name).string()], 1) << name;
    }
}

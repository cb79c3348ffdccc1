// Drains on the media people use: exFAT cards through FUSE, a cache on FUSE.
#include "engine/drainfixture.h"
#include "support/exfatcard.h"
#include "support/fusemount.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"

#include <unistd.h>

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

fs::path exFatCard(const DrainWorld &world)
{
    for (const std::string &name : cardFiles)
        writeFile(world.dir / "content" / name, std::string(300'000 + name.size(), name.back()));
    const fs::path image = world.dir / "card.img";
    EXPECT_EQ(makeExFatImage(image, "EOS_DIGITAL", 16 << 20, world.dir / "content"), "");
    return image;
}

} // namespace

TEST_F(RealMedia, AnExFatCardThroughFuseDrainsVerifiesAndIsCleared)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    ExFatCardMount card(exFatCard(world), world.card);
    ASSERT_EQ(card.error(), "");
    ASSERT_EQ(mountTypeAt(world.card), "fuseblk");

    const DrainEngine::Outcome outcome = world.drain();

    EXPECT_TRUE(outcome.cardCleared) << outcome.notClearedReason;
    EXPECT_EQ(entryNames(world.card), Names{});
    for (const std::string &name : cardFiles)
        EXPECT_EQ(readFile(outcome.remoteURL / name), readFile(world.dir / "content" / name)) << name;
    EXPECT_EQ(manifestIn(outcome.remoteURL)["cardCleared"], true);
}

TEST_F(RealMedia, ACacheOnFuseGetsEachCopiedFileFlushedOnItsOwnOnce)
{
    // syncfs on FUSE need not reach the storage, so each file is flushed by itself.
    if (const std::string refusal = runProgram("strace", {"-o", "/dev/null", "true"}); !refusal.empty())
        GTEST_SKIP() << "strace cannot trace here: " << refusal;
    DrainWorld world;
    for (const std::string &name : cardFiles)
        writeFile(world.card / name, name);
    writeFile(world.dir / "cache-content/.keep", "");
    const fs::path image = world.dir / "cache.img";
    ASSERT_EQ(makeExFatImage(image, "CACHE", 16 << 20), "");
    fs::create_directories(world.data);
    ExFatCardMount cache(image, world.data);
    ASSERT_EQ(cache.error(), "");

    const fs::path trace = world.dir / "trace.log";
    const fs::path drainOnce = fs::read_symlink("/proc/self/exe").parent_path() / "drain_once";
    // Leak checking under the sanitizers traces the process itself, which strace already does.
    ProgramProcess drain("strace",
                         {"-f", "-y", "-e", "trace=fsync,fdatasync", "-o", trace.string(), drainOnce.string(),
                          world.card.string(), world.data.string(), world.server.string()},
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
    for (const std::string &name : cardFiles)
        EXPECT_EQ(flushes[(world.cacheRoot() / "CARD01" / name).string()], 1) << name;
}

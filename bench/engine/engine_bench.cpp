// Benchmarks of the drain engine against hand-made equivalents measured in the same run.
//
//   engine_bench copy [MiB]        copyTree + verifyCopy vs cp -r + sync, and vs a hand-made verified copy
//   engine_bench drain [MiB]       a whole drain (clearing on) vs cp, cp, sync, evict, xxh128sum;
//                                  then the same for a card of 5,000 files of 4 KiB
//   engine_bench concurrent [MiB] [MiB/s]  one, two and four cards of MiB (default 1024) drained at
//                                  once, each on a loop device read at MiB/s (default 60), against
//                                  the time one card takes to be read alone
//   engine_bench manyfiles [count] a card of many 1 KiB files (default 100,000): drain time and peak memory
//   engine_bench --make-card DIR MiB   makes a card (MiB 0: 5,000 files of 4 KiB) for trying things by hand
//
// Every measured run starts with the card flushed and dropped from the page cache.
// The engine's runs happen in a child process, so its peak memory (ru_maxrss) is its own.

#include "benchsupport.h"
#include "engine/files/inventory.h"
#include "engine/files/readback.h"
#include "engine/files/treecopy.h"
#include "engine/files/verification.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace slatewick;
using namespace slatewick::bench;

int benchDrain(std::int64_t mib);
int benchConcurrent(std::int64_t mib, std::int64_t mibPerSecond);
int childRead(const std::vector<fs::path> &cards);
int childDrains(const fs::path &data, const fs::path &remote, const fs::path &times, const std::vector<fs::path> &cards);
int benchManyFiles(std::int64_t count);
int childDrain(const fs::path &card, const fs::path &applicationData, const fs::path &remote);

namespace {

int childCopy(const fs::path &from, const fs::path &to)
{
    fs::create_directories(to);
    const Inventory listing = inventory(from);
    ReadBack readBack(to, listing, false);
    const auto hashes = copyTree(from, to, listing, DrainPhase::caching,
                                 [](const DrainEvent &) {}, {}, {.readBack = &readBack});
    verifyCopy(to, listing, hashes, "local cache", &readBack);
    return 0;
}

void check(const ChildRun &run, const char *what)
{
    if (run.status != 0) {
        std::fprintf(stderr, "%s failed (status %d)\n", what, run.status);
        std::exit(1);
    }
}

struct Best {
    double seconds = std::numeric_limits<double>::infinity();
    double peakMiB = 0;
    void take(const ChildRun &run)
    {
        seconds = std::min(seconds, run.seconds);
        peakMiB = std::max(peakMiB, run.peakMiB);
    }
};

int benchCopy(std::int64_t mib)
{
    const fs::path work = makeWorkFolder();
    const fs::path card = work / "card";
    std::printf("Making a card of about %lld MiB in %s ...\n", static_cast<long long>(mib), work.c_str());
    const CardShape shape = makeMixedCard(card, mib);
    std::printf("Card: %lld files, %.1f MiB\n", static_cast<long long>(shape.files),
                static_cast<double>(shape.bytes) / (1 << 20));
    const std::string self = selfPath().string();
    const fs::path sums = work / "sums.xxh128";

    Best engine, plainCopy, handMade;
    for (int round = 0; round < 2; ++round) {
        evictTree(card);
        ChildRun run = runChild({self, "--child-copy", card.string(), (work / "engine").string()});
        check(run, "copyTree + verifyCopy");
        engine.take(run);
        fs::remove_all(work / "engine");

        evictTree(card);
        run = runShell("cp -r " + shellQuoted(card) + " " + shellQuoted(work / "cp") + " && sync");
        check(run, "cp -r + sync");
        plainCopy.take(run);
        fs::remove_all(work / "cp");

        evictTree(card);
        run = runShell("cp -r " + shellQuoted(card) + " " + shellQuoted(work / "hand") + " && sync && " + shellQuoted(self)
                       + " --evict " + shellQuoted(work / "hand") + " && cd " + shellQuoted(card)
                       + " && find . -type f -print0 | xargs -0 xxh128sum 2>/dev/null > " + shellQuoted(sums) + " && cd "
                       + shellQuoted(work / "hand") + " && xxh128sum --quiet --check " + shellQuoted(sums) + " 2>/dev/null");
        check(run, "hand-made verified copy");
        handMade.take(run);
        fs::remove_all(work / "hand");
        ::sync();
    }
    fs::remove_all(work);

    std::printf("Best of 2 runs each:\n");
    std::printf("  copyTree + verifyCopy (read back from storage)    %7.2f s   peak memory %.1f MiB\n",
                engine.seconds, engine.peakMiB);
    std::printf("  cp -r + sync                                      %7.2f s\n", plainCopy.seconds);
    std::printf("  cp -r + sync + evict copy + xxh128sum both trees  %7.2f s\n", handMade.seconds);
    std::printf("  copy+verify / (cp -r + sync)        %.2f   (target <= 1.5)\n", engine.seconds / plainCopy.seconds);
    std::printf("  copy+verify / hand-made verified    %.2f   (target < 1)\n", engine.seconds / handMade.seconds);
    std::printf("  peak memory of the copy             %.1f MiB (target < 64)\n", engine.peakMiB);
    return 0;
}

std::int64_t sizeArgument(int argc, char **argv, std::int64_t fallback)
{
    return argc > 2 ? std::strtoll(argv[2], nullptr, 10) : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    try {
        const std::string mode = argc > 1 ? argv[1] : "copy";
        if (mode == "--child-copy" && argc == 4)
            return childCopy(argv[2], argv[3]);
        if (mode == "--child-drain" && argc == 5)
            return childDrain(argv[2], argv[3], argv[4]);
        if (mode == "--child-read" && argc >= 3)
            return childRead(std::vector<fs::path>(argv + 2, argv + argc));
        if (mode == "--child-drains" && argc >= 6)
            return childDrains(argv[2], argv[3], argv[4],
                               std::vector<fs::path>(argv + 5, argv + argc));
        if (mode == "--make-card" && argc == 4) {
            const std::int64_t mib = std::strtoll(argv[3], nullptr, 10);
            const CardShape shape = mib > 0 ? makeMixedCard(argv[2], mib) : makeUniformCard(argv[2], 5000, 4096);
            std::printf("%lld files, %lld bytes\n", static_cast<long long>(shape.files),
                        static_cast<long long>(shape.bytes));
            return 0;
        }
        if (mode == "--evict") {
            for (int i = 2; i < argc; ++i)
                evictTree(argv[i]);
            return 0;
        }
        if (mode == "copy")
            return benchCopy(sizeArgument(argc, argv, 1024));
        if (mode == "drain")
            return benchDrain(sizeArgument(argc, argv, 1024));
        if (mode == "concurrent")
            return benchConcurrent(sizeArgument(argc, argv, 1024), argc > 3 ? std::strtoll(argv[3], nullptr, 10) : 60);
        if (mode == "manyfiles")
            return benchManyFiles(sizeArgument(argc, argv, 100000));
        std::fprintf(stderr, "usage: engine_bench copy|drain|concurrent|manyfiles [MiB|count] [MiB/s]\n");
        return 2;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "engine_bench: %s\n", error.what());
        return 1;
    }
}

// The drain modes of engine_bench: a whole drain against the hand-made
// equivalent, and a card of many small files.

#include "benchsupport.h"
#include "engine/drain/drainengine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace fs = std::filesystem;
using namespace slatewick;
using namespace slatewick::bench;

namespace {

DrainSettings benchSettings(const fs::path &remote)
{
    DrainSettings settings;
    settings.remoteDirectory = remote.string();
    settings.clearAfterCopy = true;
    return settings;
}

InsertedCard benchCard(const fs::path &root, const std::string &name)
{
    InsertedCard card;
    card.url = root;
    card.displayName = name;
    card.deviceIdentifier = "loop0";
    return card;
}

struct Comparison {
    double drainSeconds = std::numeric_limits<double>::infinity();
    double handSeconds = std::numeric_limits<double>::infinity();
    double peakMiB = 0;
};

// master stays intact and is dropped from the page cache before each run, so that
// both sides start from a cold card. The drain, which clears its card, gets a card
// of hard links to master's files: the same bytes to read, and clearing it
// removes the links and leaves master for the next run.
Comparison compare(const fs::path &work, const fs::path &master, int rounds)
{
    const std::string self = selfPath().string();
    const fs::path card = work / "card";
    const fs::path data = work / "data";
    const fs::path remote = work / "remote";
    const fs::path sums = work / "sums.xxh128";
    const auto freshCard = [&] {
        fs::remove_all(card);
        if (runShell("cp -al " + shellQuoted(master) + " " + shellQuoted(card) + " && sync").status != 0)
            throw std::runtime_error("could not make the card");
        evictTree(master);
    };
    const auto cleanUp = [&] {
        fs::remove_all(data);
        fs::remove_all(remote);
        ::sync();
    };
    Comparison result;
    for (int round = 0; round < rounds; ++round) {
        freshCard();
        fs::create_directories(remote);
        const ChildRun drain = runChild({self, "--child-drain", card.string(), data.string(), remote.string()});
        if (drain.status != 0)
            throw std::runtime_error("the drain failed");
        result.drainSeconds = std::min(result.drainSeconds, drain.seconds);
        result.peakMiB = std::max(result.peakMiB, drain.peakMiB);
        cleanUp();

        evictTree(master);
        fs::create_directories(remote);
        const fs::path cacheBatch = data / "batch";
        const fs::path remoteBatch = remote / "batch";
        fs::create_directories(data);
        const std::string hand = "cp -r " + shellQuoted(master) + " " + shellQuoted(cacheBatch) + " && cp -r "
                                 + shellQuoted(cacheBatch) + " " + shellQuoted(remoteBatch) + " && sync && "
                                 + shellQuoted(self) + " --evict " + shellQuoted(cacheBatch) + " "
                                 + shellQuoted(remoteBatch) + " && cd " + shellQuoted(master)
                                 + " && find . -type f -print0 | xargs -0 xxh128sum 2>/dev/null > " + shellQuoted(sums)
                                 + " && cd " + shellQuoted(cacheBatch) + " && xxh128sum --quiet --check "
                                 + shellQuoted(sums) + " 2>/dev/null && cd " + shellQuoted(remoteBatch)
                                 + " && xxh128sum --quiet --check " + shellQuoted(sums) + " 2>/dev/null";
        const ChildRun handMade = runShell(hand);
        if (handMade.status != 0)
            throw std::runtime_error("the hand-made copy failed");
        result.handSeconds = std::min(result.handSeconds, handMade.seconds);
        cleanUp();
    }
    fs::remove_all(card);
    return result;
}

void print(const char *title, const CardShape &shape, const Comparison &result, const char *target, int rounds = 2)
{
    std::printf("%s: %lld files, %.1f MiB (best of %d runs each)\n", title, static_cast<long long>(shape.files),
                static_cast<double>(shape.bytes) / (1 << 20), rounds);
    std::printf("  drain (cache, verify, clear, server, verify, records)     %7.2f s   peak memory %.1f MiB\n",
                result.drainSeconds, result.peakMiB);
    std::printf("  cp -r, cp -r, sync, evict copies, xxh128sum three trees   %7.2f s\n", result.handSeconds);
    std::printf("  drain / hand-made   %.2f   (target %s)\n", result.drainSeconds / result.handSeconds, target);
}

} // namespace

int childDrain(const fs::path &card, const fs::path &applicationData, const fs::path &remote)
{
    // Prints when each phase began, so a slow drain shows where its time went.
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::string phases;
    DrainPhase last = DrainPhase::waiting;
    static constexpr const char *phaseNames[] = {"waiting", "caching", "copying", "clearing", "ready", "failed", "removed"};
    const DrainEngine::Update update = [&](const DrainEvent &event) {
        const DrainPhase phase = event.phase;
        if (phase == last)
            return;
        last = phase;
        char text[64];
        std::snprintf(text, sizeof text, "  %s %.2f s", phaseNames[static_cast<int>(phase)],
                      std::chrono::duration<double>(Clock::now() - start).count());
        phases += text;
    };
    DrainEngine engine(applicationData);
    engine.drain(benchCard(card, "BENCH"), benchSettings(remote), update, {});
    std::printf("    phases began:%s  end %.2f s\n", phases.c_str(),
                std::chrono::duration<double>(Clock::now() - start).count());
    return 0;
}

int benchDrain(std::int64_t mib)
{
    const fs::path work = makeWorkFolder();
    std::printf("Making cards in %s ...\n", work.c_str());
    const fs::path mixed = work / "mixed";
    const CardShape mixedShape = makeMixedCard(mixed, mib);
    std::printf("Drains of the mixed card:\n");
    const Comparison mixedResult = compare(work, mixed, 2);
    fs::remove_all(mixed);
    print("Mixed card", mixedShape, mixedResult, "< 1");

    const fs::path small = work / "small";
    const CardShape smallShape = makeUniformCard(small, 5000, 4096);
    std::printf("Drains of the small-file card:\n");
    const Comparison smallResult = compare(work, small, 2);
    print("Card of 5,000 files of 4 KiB", smallShape, smallResult, "<= 2");
    std::printf("Peak memory of a drain: %.1f MiB (target < 64)\n",
                std::max(mixedResult.peakMiB, smallResult.peakMiB));
    fs::remove_all(work);
    return 0;
}

int benchManyFiles(std::int64_t count)
{
    const fs::path work = makeWorkFolder();
    std::printf("Making a card of %lld files of 1 KiB in %s ...\n", static_cast<long long>(count), work.c_str());
    const fs::path master = work / "many";
    const CardShape shape = makeUniformCard(master, count, 1024);
    const Comparison result = compare(work, master, 1);
    print("Card of many small files", shape, result, "memory bounded", 1);
    std::printf("Peak memory: %.1f MiB for %lld files (target < 64)\n", result.peakMiB,
                static_cast<long long>(shape.files));
    fs::remove_all(work);
    return 0;
}

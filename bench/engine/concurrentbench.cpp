// The concurrent mode of engine_bench: one, two and four cards drained at once on
// one engine, each card on a loop device of its own read at a card reader's speed,
// against the time one card takes merely to be read, measured in the same run.

#include "benchsupport.h"
#include "engine/drain/drainengine.h"
#include "engine/files/inventory.h"
#include "throttledcards.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace slatewick;
using namespace slatewick::bench;

namespace {

constexpr int maxCards = 4;

// The card as it was before its last drain: what clearing left (empty folders)
// goes, the master's files come back, and none of them stays in the page cache.
void refill(const fs::path &master, const fs::path &card)
{
    for (const auto &entry : fs::directory_iterator(card))
        fs::remove_all(entry.path());
    if (runShell("cp -a " + shellQuoted(master) + "/. " + shellQuoted(card) + " && sync").status != 0)
        throw std::runtime_error("could not fill the card " + card.string());
    evictTree(card);
}

// Reads the cards at once (already filled), then drops them from the page cache again.
double readAtOnce(const std::vector<fs::path> &cards)
{
    std::vector<std::string> argv{selfPath().string(), "--child-read"};
    for (const fs::path &card : cards)
        argv.push_back(card.string());
    const ChildRun run = runChild(argv);
    if (run.status != 0)
        throw std::runtime_error("reading the cards failed");
    for (const fs::path &card : cards)
        evictTree(card);
    return run.seconds;
}

double readAlone(const fs::path &master, const fs::path &card)
{
    refill(master, card);
    return readAtOnce({card});
}

} // namespace

// Reads every listed file of each card once, as a drain's card reads do, the
// cards at once: what the machine gives without any drain.
int childRead(const std::vector<fs::path> &cards)
{
    std::vector<int> failed(cards.size(), 0);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        threads.emplace_back([&, i] {
            const Inventory listing = inventory(cards[i]);
            std::vector<char> buffer(1 << 20);
            for (const std::string &relative : listing.relativePaths) {
                const int fd = ::open((cards[i] / relative).c_str(), O_RDONLY | O_CLOEXEC);
                if (fd < 0) {
                    failed[i] = 1;
                    return;
                }
                ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
                ssize_t got = 0;
                while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
                }
                ::close(fd);
                failed[i] |= got < 0;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    return std::find(failed.begin(), failed.end(), 1) == failed.end() ? 0 : 1;
}

// Drains the cards at once on one engine and writes, a line per card, when each
// was copied, verified, free (the card cleared: it may be taken out) and done.
int childDrains(const fs::path &data, const fs::path &remote, const fs::path &times, const std::vector<fs::path> &cards)
{
    using Clock = std::chrono::steady_clock;
    DrainEngine engine(data);
    DrainSettings settings;
    settings.remoteDirectory = remote.string();
    settings.clearAfterCopy = true;
    std::vector<double> copiedAt(cards.size(), -1);
    std::vector<double> verifiedAt(cards.size(), -1);
    std::vector<double> freeAt(cards.size(), -1);
    std::vector<double> endAt(cards.size(), -1);
    std::vector<std::string> failures(cards.size());
    const auto start = Clock::now();
    const auto since = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        threads.emplace_back([&, i] {
            InsertedCard card;
            card.url = cards[i];
            card.displayName = "CARD" + std::to_string(i + 1);
            card.deviceIdentifier = "loop";
            // The clearing report follows the cache verification, and the server
            // copy's first report the clearing, at once.
            const DrainEngine::Update update = [&](const DrainEvent &event) {
                const DrainPhase phase = event.phase;
                const double progress = event.progress;
                if (phase == DrainPhase::caching && progress >= 1.0)
                    copiedAt[i] = since();
                else if (phase == DrainPhase::clearing)
                    verifiedAt[i] = since();
                else if (phase == DrainPhase::copying && freeAt[i] < 0)
                    freeAt[i] = since();
            };
            try {
                const DrainEngine::Outcome outcome = engine.drain(card, settings, update, {});
                if (!outcome.cardCleared)
                    failures[i] = std::string("not cleared: ")
                                  + (outcome.notCleared ? NotCleared::codeOf(outcome.notCleared->reason) : "?");
            } catch (const std::exception &error) {
                failures[i] = error.what();
            }
            endAt[i] = since();
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    std::ofstream out(times);
    int status = 0;
    for (std::size_t i = 0; i < cards.size(); ++i) {
        out << copiedAt[i] << ' ' << verifiedAt[i] << ' ' << freeAt[i] << ' ' << endAt[i] << '\n';
        if (!failures[i].empty()) {
            std::printf("card %zu failed: %s\n", i + 1, failures[i].c_str());
            status = 1;
        }
    }
    return status;
}

int benchConcurrent(std::int64_t mib, std::int64_t mibPerSecond)
{
    const fs::path work = makeWorkFolder();
    std::printf("Making a card of about %lld MiB in %s ...\n", static_cast<long long>(mib), work.c_str());
    const fs::path master = work / "master";
    const CardShape shape = makeMixedCard(master, mib);
    int status = 0;
    {
        ThrottledCards throttled(work, maxCards, mib + mib / 8 + 64, mibPerSecond << 20);
        std::vector<fs::path> cards = throttled.roots();
        if (throttled.ready()) {
            std::printf("Cards: %d ext4 loop devices, reads limited to %lld MiB/s each (%s)\n", maxCards,
                        static_cast<long long>(mibPerSecond), throttled.method().c_str());
        } else {
            std::printf("No read limit per card: %s.\nThe cards are plain folders on one disk: the figures show "
                        "overlap and memory, not a card reader's speed.\n",
                        throttled.why().c_str());
            for (int i = 0; i < maxCards; ++i)
                cards.push_back(work / ("card" + std::to_string(i)));
            for (const fs::path &card : cards)
                fs::create_directories(card);
        }
        const double firstRead = readAlone(master, cards[0]);
        const fs::path data = work / "data";
        const fs::path remote = work / "remote";
        const fs::path times = work / "times";
        struct Run {
            int count = 0;
            double together = 0; // reading the cards at once, no drain
            std::vector<std::array<double, 4>> cards; // copied, verified, free, done
            double peakMiB = 0;
        };
        std::vector<Run> runs;
        for (const int count : {1, 2, maxCards}) {
            Run run;
            run.count = count;
            const std::vector<fs::path> used(cards.begin(), cards.begin() + count);
            for (const fs::path &card : used)
                refill(master, card);
            // The machine's own limit for this many readers (disk, CPU), without any drain.
            if (count > 1)
                run.together = readAtOnce(used);
            fs::create_directories(remote);
            std::vector<std::string> argv{selfPath().string(), "--child-drains", data.string(), remote.string(),
                                          times.string()};
            for (const fs::path &card : used)
                argv.push_back(card.string());
            const ChildRun child = runChild(argv);
            status |= child.status != 0;
            run.peakMiB = child.peakMiB;
            std::ifstream in(times);
            for (std::array<double, 4> card{}; in >> card[0] >> card[1] >> card[2] >> card[3];)
                run.cards.push_back(card);
            runs.push_back(run);
            fs::remove_all(data);
            fs::remove_all(remote);
            ::sync();
        }
        const double lastRead = readAlone(master, cards[0]);
        const double readSeconds = std::min(firstRead, lastRead);
        std::printf("Card: %lld files, %.1f MiB; reading one alone takes %.2f s (%.2f s first, %.2f s last)\n",
                    static_cast<long long>(shape.files), static_cast<double>(shape.bytes) / (1 << 20), readSeconds,
                    firstRead, lastRead);
        for (const Run &run : runs) {
            std::printf("%d card%s drained at once on one engine, clearing on (peak memory %.1f MiB, target < 64):\n",
                 run.count, run.count == 1 ? "" : "s", run.peakMiB);
            if (run.count > 1)
                std::printf("    merely reading them at once: %6.2f s = %.2f x one card's read\n", run.together,
                     run.together / readSeconds);
            for (std::size_t i = 0; i < run.cards.size(); ++i) {
                const std::array<double, 4> &card = run.cards[i];
                std::printf("    card %zu free after %6.2f s = %.2f x one card's read   (copied %6.2f s, verified %6.2f s, "
                     "drain done %6.2f s)\n",
                     i + 1, card[2], card[2] / readSeconds, card[0], card[1], card[3]);
            }
        }
        for (const fs::path &card : cards)
            refill(master, card); // nothing of a drain is left in the way of the unmount
    }
    fs::remove_all(work);
    return status;
}

#include "engine/drainfixture.h"

#include "engine/fairlock.h"
#include "platform/cancellationerror.h"
#include "platform/filesystemerror.h"
#include "support/mountnamespace.h"

#include <sys/mount.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

using namespace slatewick;
using namespace slatewick::testsupport;

TEST(DrainStop, AStopEndsTheDrainBeforeTheNextCacheFileButNoLongerOnceTheCacheIsVerified)
{
    const Names threeFiles{"1.jpg", "2.jpg", "3.jpg"};
    for (const DrainPhase phase : {DrainPhase::caching, DrainPhase::copying}) {
        const bool stops = phase == DrainPhase::caching;
        DrainWorld world;
        world.settings.clearAfterCopy = true;
        for (const std::string &name : threeFiles)
            writeFile(world.card / "DCIM" / name, name);
        world.onReport = [&](const Report &report) {
            if (std::get<0>(report) == phase && std::get<2>(report) == "1 of 3 files")
                world.stop.request_stop();
        };
        if (stops)
            EXPECT_THROW(world.drain(), CancellationError);
        else
            world.drain();
        EXPECT_TRUE(world.stop.stop_requested());
        EXPECT_EQ(entryNames(world.cacheRoot() / "CARD01/DCIM"), stops ? Names{"1.jpg"} : threeFiles);
        EXPECT_EQ(entryNames(world.card / "DCIM"), stops ? threeFiles : Names{});
        EXPECT_EQ(entryNames(world.server), stops ? Names{} : Names{"CARD01"});
        EXPECT_EQ(entryNames(world.server / "CARD01/DCIM"), stops ? Names{} : threeFiles);
        EXPECT_EQ(fs::exists(world.server / "CARD01/Slatewick-manifest.json"), !stops);
    }
}

// Taken out between the cache verification and the clearing: the server copy
// still runs from the cache, and the drain then says the card went away.
TEST(DrainStop, ACardTakenOutBeforeClearingIsStillSentToTheServer)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/a.jpg", "a");
    world.onReport = [&](const Report &report) {
        if (std::get<0>(report) == DrainPhase::caching && std::get<1>(report) == 1.0)
            fs::rename(world.card, world.dir / "pulled");
    };
    EXPECT_EQ(world.drain().notClearedReason, "it was taken out.");
    for (const fs::path &batch : {world.cacheRoot() / "CARD01", world.server / "CARD01"}) {
        EXPECT_EQ(manifestIn(batch)["cardCleared"], false) << batch;
        EXPECT_EQ(readFile(batch / "DCIM/a.jpg"), "a") << batch;
    }
    EXPECT_EQ(entryNames(world.dir / "pulled/DCIM"), Names{"a.jpg"});
    EXPECT_TRUE(std::none_of(world.reports.begin(), world.reports.end(),
                             [](const Report &report) { return std::get<0>(report) == DrainPhase::clearing; }));
}

TEST(DrainConcurrency, TwoDrainsOnOneEngineInterleaveAndEachEndsVerified)
{
    DrainWorld world;
    for (const char *name : {"LEFT", "RIGHT"})
        for (int i = 0; i < 8; ++i)
            writeFile(world.dir / name / "DCIM" / ("IMG_" + std::to_string(i) + ".JPG"), std::string(20000 + i, 'x'));
    DrainEngine engine(world.data);
    std::atomic<int> firstFiles{0};
    const auto drainCard = [&](const std::string &name) {
        InsertedCard card = world.inserted;
        card.url = world.dir / name;
        card.displayName = name;
        // Each waits in its first file's report for the other's first file: only
        // possible when the engine lets go of its lock while a report is delivered.
        const DrainEngine::Update update = [&](DrainPhase phase, double, const std::string &detail) {
            if (phase != DrainPhase::caching || detail != "1 of 8 files")
                return;
            ++firstFiles;
            if (!waitUntil([&] { return firstFiles.load() == 2; }))
                throw std::runtime_error("the other drain copied nothing while this one reported");
        };
        return engine.drain(card, world.settings, update, {});
    };
    auto left = std::async(std::launch::async, drainCard, "LEFT");
    auto right = std::async(std::launch::async, drainCard, "RIGHT");
    for (auto *drain : {&left, &right})
        EXPECT_TRUE(fs::exists(drain->get().remoteURL / "Slatewick-manifest.json"));
}

TEST(FairLock, WaitersTakeTheLockInArrivalOrder)
{
    FairLock lock;
    std::vector<int> order;
    lock.lock();
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            lock.lock();
            order.push_back(i); // guarded by the lock under test
            lock.unlock();
        });
        // The next thread starts only once this one is queued.
        ASSERT_TRUE(waitUntil([&] { return lock.waiting() == static_cast<std::uint64_t>(i + 1); }));
    }
    lock.unlock();
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST(DrainMounts, AReadOnlyCardIsStillSentToTheServerAndRecordedAsNotCleared)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/a.jpg", "a");
    if (const std::string &refusal = enterPrivateMountNamespace(); !refusal.empty())
        GTEST_SKIP() << refusal;
    ScopedMount bind(world.card, world.card, "none", MS_BIND);
    if (!bind.mounted()
        || ::mount(nullptr, world.card.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "no read-only bind mount of the card: " << bind.error() << std::strerror(errno);
    EXPECT_EQ(world.drain().notClearedReason, "it is locked or read-only.");
    // The server copy is verified and recorded, the card marked as not cleared.
    EXPECT_EQ(manifestIn(world.server / "CARD01")["cardCleared"], false);
    EXPECT_EQ(readFile(world.server / "CARD01/DCIM/a.jpg"), "a");
    EXPECT_EQ(entryNames(world.card / "DCIM"), Names{"a.jpg"});
}

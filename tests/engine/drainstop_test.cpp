#include "engine/drainfixture.h"

#include "engine/records/fairlock.h"
#include "platform/cancellationerror.h"
#include "support/mountnamespace.h"

#include <sys/mount.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

namespace {

// A card of eight files of its own, drained on an engine shared with other cards.
// A held card stalls inside the copy of its first file, as a card whose read
// hangs, until it is released.
const Names cardFiles{"IMG_0.JPG", "IMG_1.JPG", "IMG_2.JPG", "IMG_3.JPG",
                      "IMG_4.JPG", "IMG_5.JPG", "IMG_6.JPG", "IMG_7.JPG"};

struct CardDrain {
    const std::string name;
    const bool held = false;
    std::stop_source stop{};
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    std::vector<DrainEvent> events{}; // its reports, in order
    std::future<DrainEngine::Outcome> outcome{};

    void start(DrainEngine &engine, const DrainWorld &world)
    {
        for (const std::string &file : cardFiles)
            writeFile(world.dir / name / "DCIM" / file, name + file);
        InsertedCard card = world.inserted;
        card.url = world.dir / name;
        card.displayName = name;
        outcome = std::async(std::launch::async, [this, &engine, card, settings = world.settings] {
            const DrainEngine::Update update = [this](const DrainEvent &event) { events.push_back(event); };
            const DrainEngine::ByteUpdate bytes = [this](DrainPhase phase, std::int64_t, std::int64_t) {
                if (!held || phase != DrainPhase::caching || inside.exchange(true))
                    return;
                if (!waitUntil([this] { return release.load(); }))
                    throw std::runtime_error(name + " was never released");
            };
            return engine.drain(card, settings, update, stop.get_token(), bytes);
        });
    }

    bool ended() const { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
};

} // namespace

// While one card's read stalls inside a file, another drains from start to end
// and a third, cancelled inside a file, ends before its next one: no drain waits
// for the copy of another. Each ends with batches and reports of its own. (A stop
// once the cache is verified is ignored: the coordinator's clearing test shows it.)
TEST(DrainConcurrency, AStalledOrCancelledCardHoldsUpNoOtherDrain)
{
    DrainWorld world;
    DrainEngine engine(world.data);
    CardDrain slow{"SLOW", true};
    CardDrain cancelled{"CANCELLED", true};
    CardDrain fast{"FAST"};
    slow.start(engine, world);
    cancelled.start(engine, world);
    ASSERT_TRUE(waitUntil([&] { return slow.inside.load() && cancelled.inside.load(); }))
        << "the two cards' copies never overlapped";
    fast.start(engine, world);
    ASSERT_TRUE(waitUntil([&] { return fast.ended(); })) << "the fast card waited for the stalled one";
    cancelled.stop.request_stop();
    cancelled.release = true;
    EXPECT_THROW(cancelled.outcome.get(), CancellationError);
    EXPECT_FALSE(slow.ended());
    slow.release = true;

    EXPECT_EQ(entryNames(world.cacheRoot() / "CANCELLED/DCIM"), Names{cardFiles.front()});
    EXPECT_EQ(entryNames(world.dir / "CANCELLED/DCIM"), cardFiles);
    for (CardDrain *drain : {&fast, &slow}) {
        SCOPED_TRACE(drain->name);
        const DrainEngine::Outcome outcome = drain->outcome.get();
        EXPECT_TRUE(outcome.cardCleared);
        EXPECT_EQ(entryNames(world.dir / drain->name / "DCIM"), Names{});
        EXPECT_EQ(outcome.batchURL, world.cacheRoot() / drain->name);
        EXPECT_EQ(outcome.remoteURL, world.server / drain->name);
        for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
            EXPECT_EQ(manifestIn(batch)["sourceVolume"], drain->name) << batch;
            EXPECT_EQ(entryNames(batch / "DCIM"), cardFiles) << batch;
            EXPECT_EQ(readFile(batch / "DCIM" / cardFiles.back()), drain->name + cardFiles.back()) << batch;
        }
        // Its own reports only, in order: 8 cached, the clearing, 8 sent.
        ASSERT_EQ(drain->events.size(), 19u);
        EXPECT_EQ(drain->events[8].file, 8);
        EXPECT_EQ(drain->events[10].kind, DrainEvent::Kind::sending);
        EXPECT_EQ(drain->events[18].file, 8);
    }
    EXPECT_EQ(entryNames(world.server), (Names{"FAST", "SLOW"}));
}

TEST(FairLock, WaitersTakeTheLockInArrivalOrderAndAHolderComingStraightBackQueuesBehindThem)
{
    // Whether one of this process's threads sleeps: its scheduling state, after its name, reads 'S'.
    const auto sleeps = [](pid_t thread) {
        const std::string stat = readFile("/proc/self/task/" + std::to_string(thread) + "/stat");
        return stat.substr(stat.rfind(") ") + 2, 1) == "S";
    };
    FairLock lock;
    std::vector<int> order;
    lock.lock();
    std::vector<std::thread> threads;
    std::array<std::atomic<pid_t>, 4> ids{};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            ids[i] = ::gettid();
            lock.lock();
            order.push_back(i); // guarded by the lock under test
            lock.unlock();
        });
        // The next thread starts only once this one sleeps in lock(), the next thing it does.
        ASSERT_TRUE(waitUntil([&] { return ids[i] != 0 && sleeps(ids[i]); }));
    }
    lock.unlock();
    lock.lock();
    order.push_back(4);
    lock.unlock();
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(DrainMounts, AReadOnlyCardIsStillSentToTheServerAndRecordedAsNotCleared)
{
    DrainWorld world;
    writeFile(world.card / "DCIM/a.jpg", "a");
    SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace());
    ScopedMount bind(world.card, world.card, "none", MS_BIND);
    if (!bind.mounted()
        || ::mount(nullptr, world.card.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "no read-only bind mount of the card: " << bind.error() << std::strerror(errno);
    EXPECT_EQ(world.drain().notCleared.value_or(NotCleared{}).reason, NotCleared::Reason::lockedOrReadOnly);
    // The server copy is verified and recorded, the card marked as not cleared.
    EXPECT_EQ(manifestIn(world.server / "CARD01")["cardCleared"], false);
    EXPECT_EQ(readFile(world.server / "CARD01/DCIM/a.jpg"), "a");
    EXPECT_EQ(entryNames(world.card / "DCIM"), Names{"a.jpg"});
}

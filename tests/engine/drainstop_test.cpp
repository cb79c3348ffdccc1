#include "engine/drainfixture.h"

#include "support/mountnamespace.h"

#include <sys/mount.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>

namespace {

// A card of eight files of its own, drained on an engine shared with other cards.
// A held card stalls inside the copy of its first file, as a card whose read
// hangs, until it is released.
const Names cardFiles{"IMG_0.JPG", "IMG_1.JPG", "IMG_2.JPG", "IMG_3.JPG",
                      "IMG_4.JPG", "IMG_5.JPG", "IMG_6.JPG", "IMG_7.JPG"};

struct CardDrain {
    const std::string name;
    const bool held = false;
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
            return engine.drain(card, settings, update, std::stop_token(), bytes);
        });
    }

    bool ended() const { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
};

} // namespace

// While one card's read stalls inside a file, another drains from start to end:
// no drain waits for the copy of another. Each ends with batches and reports of its own.
TEST(DrainConcurrency, AStalledCardHoldsUpNoOtherDrain)
{
    DrainWorld world;
    DrainEngine engine(world.data);
    CardDrain slow{"SLOW", true};
    CardDrain fast{"FAST"};
    slow.start(engine, world);
    ASSERT_TRUE(waitUntil([&] { return slow.inside.load(); }));
    fast.start(engine, world);
    ASSERT_TRUE(waitUntil([&] { return fast.ended(); })) << "the fast card waited for the stalled one";
    EXPECT_FALSE(slow.ended());
    slow.release = true;

    for (CardDrain *drain : {&fast, &slow}) {
        SCOPED_TRACE(drain->name);
        const DrainEngine::Outcome outcome = drain->outcome.get();
        EXPECT_TRUE(outcome.cardCleared);
        EXPECT_EQ(outcome.remoteURL, world.server / drain->name);
        EXPECT_EQ(readFile(outcome.remoteURL / "DCIM" / cardFiles.back()), drain->name + cardFiles.back());
        // Its own reports only, in order: 8 cached, the clearing, 8 sent.
        ASSERT_EQ(drain->events.size(), 19u);
        EXPECT_EQ(drain->events[10].kind, DrainEvent::Kind::sending);
        EXPECT_EQ(drain->events[18].file, 8);
    }
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

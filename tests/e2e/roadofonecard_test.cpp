// The road of cards through the real program, and what it leaves behind when
// a card is pulled or the program is killed.
#include "e2e/endtoendfixture.h"
#include "support/exfatcard.h"
#include "support/skipunless.h"

#include <signal.h>
#include <sys/wait.h>

using namespace slatewick;
using namespace slatewick::testsupport;
using namespace std::chrono_literals;

TEST_F(EndToEnd, DrainsCardsOneAndTwoAtOnceIntoVerifiedBatchesAndClearsAllButTheProtectedNames)
{
    Card &card = makeCard("CARD01", 24, 300 << 10);
    Card &other = makeCard("OTHER", 8, 64 << 10);
    Card &third = makeCard("THIRD", 8, 64 << 10);
    // Named by card first, so the batches sort by label.
    writeSettings({card.loop(), other.loop(), third.loop()}, true, "{card}_{date}_{batch}");
    startProgram();
    // Started again by hand (launch at login already ran it): the second copy only
    // asks the first to show itself, so the card is drained once.
    ProgramProcess second(SLATEWICK_PROGRAM, {}, programEnvironment(), m_dir / "second-output.txt");
    const std::optional<int> status = second.waitForExit(10s);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    mountCard(card);
    expectDrainedOnce(card, true);
    EXPECT_EQ(entryNames(card.mountPoint), (std::vector<std::string>{".DS_Store", ".Trashes"}));
    EXPECT_EQ(readFile(card.mountPoint / ".Trashes/501/old.jpg"), "trashed");

    mountCard(other);
    mountCard(third);
    ASSERT_TRUE(waitForManifests(6, 60s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
    const auto cached = batches(cacheRoot());
    ASSERT_EQ(cached.size(), 3u);
    expectCompleteBatch(cached[1], other, true);
    expectCompleteBatch(cached[2], third, true);
    expectQuitWithin(5s);
}

TEST_F(EndToEnd, APulledOrAKilledDrainLosesNothingAndTheNextCardAndTheNextStartDrainIntoFreshBatches)
{
    Card &pulled = makeCard("PULLED", 200, 256 << 10);
    Card &next = makeCard("NEXT", 8, 64 << 10);
    Card &killed = makeCard("KILLED", 200, 256 << 10);
    writeSettings({pulled.loop(), next.loop(), killed.loop()}, true, "{card}");
    startProgram();
    mountCard(pulled);
    ASSERT_TRUE(waitUntil([&] { return fileCount(cacheRoot()) >= 3; }, 60s));
    pulled.disk->unplug();
    // The program keeps running and drains the next card.
    mountCard(next);
    ASSERT_TRUE(waitForManifests(2, 60s));
    const std::vector<std::filesystem::path> nextOnly{cacheRoot() / "NEXT/Slatewick-manifest.json",
                                                      m_server / "NEXT/Slatewick-manifest.json"};
    EXPECT_EQ(manifests(), nextOnly);
    next.disk->unmount();

    mountCard(killed);
    ASSERT_TRUE(waitUntil([&] { return fileCount(cacheRoot() / "KILLED") > 0; }, 60s));
    m_program->signal(SIGKILL);
    ASSERT_TRUE(m_program->waitForExit(10s));
    EXPECT_EQ(manifests(), nextOnly) << "the cut-off drain wrote no manifest and took none away";
    expectCardHoldsEverything(killed.mountPoint, killed);
    // Started again with the card still in, it drains it like a fresh insertion.
    startProgram();
    ASSERT_TRUE(waitForManifests(4, 120s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
    // Named after the cut-off batch, which is kept.
    expectCompleteBatch(cacheRoot() / "KILLED-02", killed, true);

    m_program.reset();
    const LoopDevice again(pulled.image);
    ScopedMount check(again.node(), pulled.mountPoint, "ext4", MS_RDONLY);
    ASSERT_TRUE(check.mounted()) << check.error();
    expectCardHoldsEverything(pulled.mountPoint, pulled);
}

// A card whose exfat-fuse daemon hangs: every look at it blocks, so only worker threads may look.
TEST_F(EndToEnd, ACardWhoseFuseDaemonHangsHoldsUpNeitherAnotherCardsDrainNorQuitting)
{
    SLATEWICK_SKIP_UNLESS_ALLOWED(fuseRefusal());
    // Empty: the program never gets an answer from it anyway.
    ASSERT_EQ(makeExFatImage(m_dir / "STUCK.img", "STUCK", 16 << 20), "");
    std::filesystem::create_directories(m_dir / "media/STUCK");
    ExFatCardMount stuck(m_dir / "STUCK.img", m_dir / "media/STUCK");
    ASSERT_EQ(stuck.error(), "");
    stuck.stop(); // before the program starts, so no request of its can have reached the daemon
    Card &other = makeCard("OTHER", 6, 64 << 10);
    writeSettings({other.loop(), stuck.loop().name()}, false);
    // Leak checking at exit would wait on the thread stuck in the card.
    ASSERT_NO_FATAL_FAILURE(startProgram({{"ASAN_OPTIONS", "detect_leaks=0"}}));

    mountCard(other);
    ASSERT_TRUE(waitForManifests(2, 60s)) << "the other card drains meanwhile";
    expectCompleteBatch(batches(m_server)[0], other, false);
    const std::string mainThread = "/proc/" + std::to_string(m_program->pid()) + "/task/" + std::to_string(m_program->pid());
    EXPECT_EQ(readFile(mainThread + "/stack").find("fuse"), std::string::npos) << readFile(mainThread + "/stack");
    ASSERT_NO_FATAL_FAILURE(expectQuitWithin(2s));
}

// The road of one card through the real program, and what it leaves behind
// when it is killed or quit.
#include "e2e/endtoendfixture.h"

#include <signal.h>
#include <sys/wait.h>

using namespace slatewick::testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Clearing off is the soak's case: its card drains whole again and again.
TEST_F(EndToEnd, DrainsACardIntoVerifiedBatchesAndClearsAllButTheProtectedNames)
{
    Card &card = makeCard("CARD01", 24, 300 << 10);
    writeSettings({&card}, true);
    startProgram();
    EXPECT_TRUE(waitForSummary("Slatewick: Ready", 20s)) << summaryTitle();
    // Started again by hand (launch at login already ran it): the second copy only
    // asks the first to show itself, so the card is drained once.
    ProgramProcess second(SLATEWICK_PROGRAM, {}, programEnvironment(), m_dir / "second-output.txt");
    const std::optional<int> status = second.waitForExit(10s);
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    ASSERT_TRUE(m_program->running());
    drainToCleanBatches(card, true);
    EXPECT_EQ(entryNames(card.mountPoint), (std::vector<std::string>{".DS_Store", ".Trashes"}));
    EXPECT_EQ(readFile(card.mountPoint / ".Trashes/501/old.jpg"), "trashed");
}

TEST_F(EndToEnd, KilledMidDrainLosesNothingAndTheNextStartDrainsIntoAFreshBatch)
{
    Card &card = makeCard("KILLED", 200, 256 << 10);
    writeSettings({&card}, true, "{card}");
    startProgram();
    mountCard(card);
    ASSERT_TRUE(waitUntil([&] { return fileCount(cacheRoot()) > 0; }, 60s));
    m_program->signal(SIGKILL);
    ASSERT_TRUE(m_program->waitForExit(10s));
    EXPECT_TRUE(manifests().empty());
    expectCardHoldsEverything(card.mountPoint, card);

    // Started again with the card still in, it drains it like a fresh insertion.
    startProgram();
    ASSERT_TRUE(waitForManifests(2, 120s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
    const auto cached = batches(cacheRoot());
    ASSERT_EQ(cached.size(), 2u);
    EXPECT_EQ(cached[0].filename(), "KILLED");
    EXPECT_EQ(cached[1].filename(), "KILLED-02");
    expectCompleteBatch(cached[1], card, true);
}

TEST_F(EndToEnd, QuittingDuringADrainIsQuickAndLeavesNoHalfWrittenManifest)
{
    Card &card = makeCard("QUIT", 200, 256 << 10);
    writeSettings({&card}, false);
    startProgram();
    mountCard(card);
    ASSERT_TRUE(waitUntil([&] { return fileCount(cacheRoot()) > 0; }, 60s));
    ASSERT_NO_FATAL_FAILURE(expectQuitWithin(2s));
    EXPECT_TRUE(manifests().empty());
    for (const auto &entry : fs::recursive_directory_iterator(m_dir / "data"))
        EXPECT_EQ(entry.path().filename().string().find(".Slatewick-"), std::string::npos) << entry.path();
    expectCardHoldsEverything(card.mountPoint, card);
}

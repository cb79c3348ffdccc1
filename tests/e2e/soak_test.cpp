// Cards through one running program, a few one after another, then two at
// once: each drain a fresh verified batch, and the program quits cleanly after.
#include "e2e/endtoendfixture.h"

using namespace slatewick::testsupport;
using namespace std::chrono_literals;

TEST_F(EndToEnd, SoakCardsInARowThenTwoAtOnce)
{
    Card &card = makeCard("SOAK", 8, 64 << 10);
    Card &other = makeCard("OTHER", 8, 64 << 10);
    Card &third = makeCard("THIRD", 8, 64 << 10);
    writeSettings({&card, &other, &third}, false);
    startProgram();
    constexpr std::size_t rounds = 3;
    for (std::size_t round = 1; round <= rounds; ++round) {
        mountCard(card);
        ASSERT_TRUE(waitForManifests(2 * round, 60s)) << "round " << round;
        ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
        card.disk->unmount();
    }
    mountCard(other);
    mountCard(third);
    ASSERT_TRUE(waitForManifests(2 * rounds + 4, 60s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
    ASSERT_EQ(batches(server()).size(), rounds + 2);
    for (const auto &batch : batches(cacheRoot())) {
        const std::string name = batch.filename().string();
        expectCompleteBatch(batch, name.find("_OTHER_") != std::string::npos   ? other
                                   : name.find("_THIRD_") != std::string::npos ? third
                                                                               : card,
                            false);
    }
    expectQuitWithin(5s);
}

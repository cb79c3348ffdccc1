// The program's memory over many cards: fifty one after another, then five at
// once, printed for the record. Built on the end-to-end tests' fixture; run as
// root: build/bench/e2e/slatewick-bench-soak
#include "e2e/endtoendfixture.h"

#include <signal.h>
#include <sys/wait.h>

#include <cstdio>

using namespace slatewick::testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The program's resident memory in KiB, 0 once it has ended.
long residentKiB(pid_t program)
{
    const std::string status = readFile("/proc/" + std::to_string(program) + "/status");
    const auto at = status.find("VmRSS:");
    return at == std::string::npos ? 0 : std::stol(status.substr(at + 6));
}

} // namespace

TEST_F(EndToEnd, SoakFiftyCardsInARowThenFiveAtOnce)
{
    Card &card = makeCard("SOAK", 16, 64 << 10);
    std::vector<Card *> together;
    for (int i = 1; i <= 5; ++i)
        together.push_back(&makeCard("TOGETHER" + std::to_string(i), 8, 64 << 10));
    std::vector<std::string> watched{card.loop()};
    for (const Card *each : together)
        watched.push_back(each->loop());
    writeSettings(watched, false);
    startProgram();

    long firstKiB = 0;
    constexpr int rounds = 50;
    for (int round = 1; round <= rounds; ++round) {
        mountCard(card);
        ASSERT_TRUE(waitForManifests(2 * static_cast<std::size_t>(round), 60s)) << "round " << round;
        ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
        card.disk->unmount();
        if (round == 1)
            firstKiB = residentKiB(m_program->pid());
    }
    const long afterRowKiB = residentKiB(m_program->pid());

    for (Card *each : together)
        mountCard(*each);
    ASSERT_TRUE(waitForManifests(2 * rounds + 10, 120s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 20s)) << summaryTitle();
    const long endKiB = residentKiB(m_program->pid());

    const auto cached = batches(cacheRoot());
    ASSERT_EQ(cached.size(), static_cast<std::size_t>(rounds + 5));
    ASSERT_EQ(batches(m_server).size(), static_cast<std::size_t>(rounds + 5));
    for (const auto &batch : cached) {
        const bool ofSoak = batch.filename().string().find("_SOAK_") != std::string::npos;
        const Card *source = &card;
        for (const Card *each : together) {
            if (batch.filename().string().find("_" + each->label + "_") != std::string::npos)
                source = each;
        }
        EXPECT_TRUE(ofSoak || source != &card) << batch;
        expectCompleteBatch(batch, *source, false);
    }

    // Nothing is left running: the program quits at once when asked.
    m_program->signal(SIGTERM);
    const auto status = m_program->waitForExit(5s);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    std::printf("soak memory: %ld KiB after the first card, %ld KiB after %d cards in a row, %ld KiB after five "
                "more at once (%+ld KiB over the run)\n",
                firstKiB, afterRowKiB, rounds, endKiB, endKiB - firstKiB);
}

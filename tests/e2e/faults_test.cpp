// Faults from outside during a drain: the card pulled, the server gone, the
// cache too small. Each time nothing is lost and the program keeps running.
#include "e2e/endtoendfixture.h"

using namespace slatewick::testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST_F(EndToEnd, CardPulledDuringTheCacheCopyKeepsEveryFileAndTheNextCardDrains)
{
    Card &pulled = makeCard("PULLED", 200, 256 << 10);
    Card &next = makeCard("NEXT", 8, 64 << 10);
    writeSettings({&pulled, &next}, true);
    startProgram();
    mountCard(pulled);
    ASSERT_TRUE(waitUntil([&] { return fileCount(cacheRoot()) >= 3; }, 60s));
    pulled.disk->unplug();

    mountCard(next);
    ASSERT_TRUE(waitForManifests(2, 60s));
    ASSERT_TRUE(m_program->running());
    for (const auto &manifest : manifests())
        EXPECT_NE(manifest.string().find("NEXT"), std::string::npos) << manifest;

    m_program.reset();
    auto again = std::make_unique<LoopDevice>(pulled.image);
    ASSERT_TRUE(again->attached()) << again->error();
    ScopedMount check(again->node(), pulled.mountPoint, "ext4", MS_RDONLY);
    ASSERT_TRUE(check.mounted()) << check.error();
    expectCardHoldsEverything(pulled.mountPoint, pulled);
}

TEST_F(EndToEnd, ServerFolderRemovedDuringTheServerCopyLeavesTheVerifiedCache)
{
    Card &card = makeCard("SERVER", 200, 256 << 10);
    writeSettings({&card}, true);
    startProgram();
    mountCard(card);
    ASSERT_TRUE(waitUntil([&] { return fileCount(server()) >= 3; }, 120s));
    fs::remove_all(server());
    ASSERT_TRUE(waitForSummary("Slatewick: Attention", 60s)) << summaryTitle();
    ASSERT_TRUE(m_program->running());
    EXPECT_TRUE(manifests().empty());
    ASSERT_EQ(batches(cacheRoot()).size(), 1u);
    expectBatchFiles(batches(cacheRoot())[0], card);
}

TEST_F(EndToEnd, ACacheTooSmallFailsBeforeWritingAndLeavesTheCardUntouched)
{
    ScopedMount tiny("tmpfs", m_dir / "data", "tmpfs", 0, "size=8m");
    ASSERT_TRUE(tiny.mounted()) << tiny.error();
    Card &card = makeCard("FULL", 40, 512 << 10);
    writeSettings({&card}, true);
    startProgram();
    mountCard(card);
    ASSERT_TRUE(waitForSummary("Slatewick: Attention", 60s)) << summaryTitle();
    EXPECT_EQ(fileCount(m_dir / "data"), 0u) << "nothing of the card is written";
    EXPECT_TRUE(manifests().empty());
    EXPECT_TRUE(batches(server()).empty());
    expectCardHoldsEverything(card.mountPoint, card);
    ASSERT_TRUE(m_program->running());
}

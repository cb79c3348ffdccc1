// A card pulled during a drain: nothing of it is lost, the program keeps
// running and the next card drains.
#include "e2e/endtoendfixture.h"

using namespace slatewick::testsupport;
using namespace std::chrono_literals;

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
    const LoopDevice again(pulled.image);
    ASSERT_TRUE(again.attached()) << again.error();
    ScopedMount check(again.node(), pulled.mountPoint, "ext4", MS_RDONLY);
    ASSERT_TRUE(check.mounted()) << check.error();
    expectCardHoldsEverything(pulled.mountPoint, pulled);
}

// The server folder on a real network share (sshfs to an sshd of the test's own)
// that stalls or goes away, as a NAS does.
#include "e2e/endtoendfixture.h"
#include "support/skipunless.h"
#include "support/sshshare.h"

using namespace slatewick::testsupport;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class ShareEndToEnd : public EndToEnd {
protected:
    void SetUp() override
    {
        EndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        SLATEWICK_SKIP_UNLESS_ALLOWED(fuseRefusal());
        m_share = std::make_unique<SshShare>(m_dir / "nas");
        ASSERT_EQ(m_share->error(), "");
        m_server = m_share->mountPoint();
    }

    // Goes before the base's members, after TearDown has ended the program.
    std::unique_ptr<SshShare> m_share;
};

} // namespace

TEST_F(ShareEndToEnd, ASameNamedCardPutInWhileTheServerCopyHangsIsDrainedToo)
{
    Card &first = makeCard("EOS_DIGITAL", 40, 128 << 10);
    writeFile(m_dir / "second/DCIM/100CANON/IMG_9001.JPG", std::string(300 << 10, 's'));
    writeFile(m_dir / "second/DCIM/100CANON/IMG_9002.JPG", std::string(200 << 10, 't'));
    const fs::path secondImage = m_dir / "second.img";
    ASSERT_EQ(makeExt4Image(secondImage, "EOS_DIGITAL", fs::file_size(first.image), m_dir / "second"), "");
    writeSettings({first.loop()}, true);
    startProgram();
    ASSERT_TRUE(waitForSummary("Slatewick: Ready", 30s)) << summaryTitle();

    m_share->stall();
    mountCard(first);
    // Cleared: the card may go back into the camera while its server copy hangs.
    ASSERT_TRUE(waitUntil([&] { return listedFiles(first.mountPoint).empty(); }, 60s));
    first.disk->unmount();
    // The next card from the same camera, in the same reader, at the same mount point.
    // Written through the device, so that what it has cached is the new card too.
    writeFile(first.disk->loop().node(), readFile(secondImage));
    mountCard(first);
    ASSERT_TRUE(waitUntil([&] { return listedFiles(first.mountPoint).empty(); }, 60s)) << "the second card drains";

    m_share->resume();
    ASSERT_TRUE(waitForManifests(4, 120s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 30s)) << summaryTitle();
    ASSERT_EQ(batches(m_share->servedFolder()).size(), 2u);
    const std::vector<std::string> served = listedFiles(m_share->servedFolder());
    for (const std::string file : {"/DCIM/100CANON/IMG_9001.JPG", "/DCIM/100SLATE/IMG_1040.JPG"}) {
        const auto isIt = [&](const std::string &path) { return path.ends_with(file); };
        EXPECT_EQ(std::count_if(served.begin(), served.end(), isIt), 1) << file << " is in one batch";
    }
}

TEST_F(ShareEndToEnd, AShareLostMidCopyGetsTheBatchOnceItIsMountedAgainWithNoUserAction)
{
    Card &card = makeCard("LOST", 120, 256 << 10);
    writeSettings({card.loop()}, true);
    startProgram();
    mountCard(card);
    ASSERT_TRUE(waitUntil([&] { return fileCount(m_share->servedFolder()) >= 3; }, 120s));
    m_share->kill(); // the NAS drops off: "Transport endpoint is not connected"
    ASSERT_TRUE(waitForSummary("Slatewick: Attention", 60s)) << summaryTitle();
    EXPECT_TRUE(manifests().empty());

    m_share->unmount();
    ASSERT_EQ(m_share->mount(), "");
    // The share numbers its folders anew once remounted; the cut-off try is still
    // known as this batch's own by the token it holds, and replaced: one batch on the server.
    ASSERT_NO_FATAL_FAILURE(expectDrainedOnce(card, true));
    EXPECT_FALSE(fs::exists(batches(m_share->servedFolder())[0] / ".slatewick-attempt"));
}

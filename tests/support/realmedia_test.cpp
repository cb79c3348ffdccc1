#include "support/files.h"
#include "support/fusemount.h"
#include "support/sshshare.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace slatewick::testsupport {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(SshShareTest, carriesWritesStallsAndComesBackAfterBeingLost)
{
    if (const std::string refusal = fuseRefusal(); !refusal.empty())
        GTEST_SKIP() << refusal;
    const TempDir dir;
    {
        SshShare share(dir.path());
        ASSERT_EQ(share.error(), "");
        EXPECT_EQ(mountTypeAt(share.mountPoint()), "fuse.sshfs");
        writeFile(share.mountPoint() / "first.txt", "over the wire");
        EXPECT_EQ(readFile(share.servedFolder() / "first.txt"), "over the wire");

        share.stall();
        std::atomic<bool> written = false;
        std::thread writer([&] {
            writeFile(share.mountPoint() / "second.txt", "late");
            written = true;
        });
        EXPECT_FALSE(waitUntil([&] { return written.load(); }, 300ms)) << "a write went through a stalled share";
        share.resume();
        EXPECT_TRUE(waitUntil([&] { return written.load(); }));
        writer.join();
        EXPECT_EQ(readFile(share.servedFolder() / "second.txt"), "late");

        share.kill();
        std::error_code error;
        EXPECT_FALSE(fs::exists(share.mountPoint() / "first.txt", error));
        EXPECT_EQ(error, std::errc::not_connected);
        share.unmount();
        EXPECT_EQ(mountTypeAt(share.mountPoint()), "");
        ASSERT_EQ(share.mount(), "");
        EXPECT_EQ(readFile(share.mountPoint() / "second.txt"), "late");
    }
    EXPECT_EQ(childProcesses(), std::vector<pid_t>{}) << "the share left processes behind";
}

} // namespace
} // namespace slatewick::testsupport

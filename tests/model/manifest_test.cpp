#include "model/batchmanifest.h"

#include <gtest/gtest.h>

using namespace slatewick;

// The members' values and count are read back in the end-to-end tests (expectCompleteBatch); here, the layout.
TEST(BatchManifest, EncodesSortedMembersOnePerLineWithEscapedSlashesAndUtcSeconds)
{
    BatchManifest manifest;
    manifest.createdAt = std::chrono::system_clock::from_time_t(1796427564); // 2026-12-04T23:39:24Z
    manifest.cachePath = "/home/ana/.local/share/Slatewick/Cache/b";

    const std::string text = manifest.encoded();
    EXPECT_NE(text.find(R"("cachePath": "\/home\/ana\/.local\/share\/Slatewick\/Cache\/b")"), std::string::npos)
        << text;
    EXPECT_NE(text.find(R"("createdAt": "2026-12-04T23:39:24Z")"), std::string::npos) << text;
    EXPECT_NE(text.find('\n'), std::string::npos);
    EXPECT_LT(text.find("\"bytes\""), text.find("\"sourceVolume\""));
}

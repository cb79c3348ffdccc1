#include "model/batchmanifest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace slatewick;

TEST(BatchManifest, EncodesTenSortedMembersWithEscapedSlashes)
{
    BatchManifest manifest;
    manifest.sourceVolume = "CARD01";
    manifest.sourceDevice = "sdc1";
    manifest.createdAt = manifest.cachedAt = manifest.copiedToServerAt =
        std::chrono::system_clock::from_time_t(1796427564); // 2026-12-04T23:39:24Z
    manifest.files = 12;
    manifest.bytes = 1234567;
    manifest.cachePath = "/home/ana/.local/share/Slatewick/Cache/b";
    manifest.remotePath = "/srv/photos/b";
    manifest.cardCleared = true;

    const std::string text = manifest.encoded();
    EXPECT_NE(text.find(R"("cachePath": "\/home\/ana\/.local\/share\/Slatewick\/Cache\/b")"), std::string::npos)
        << text;
    EXPECT_NE(text.find(R"("createdAt": "2026-12-04T23:39:24Z")"), std::string::npos) << text;
    EXPECT_NE(text.find('\n'), std::string::npos);
    EXPECT_LT(text.find("\"bytes\""), text.find("\"sourceVolume\""));

    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json.size(), 10u);
    EXPECT_EQ(json["remotePath"], "/srv/photos/b");
    EXPECT_EQ(json["files"], 12);
    EXPECT_EQ(json["cardCleared"], true);
}

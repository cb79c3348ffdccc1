#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace slatewick {

// The record of one verified transfer, written into both batch folders.
// Stored manifests and their readers rely on exactly these ten members.
struct BatchManifest {
    static constexpr const char *fileName = "Slatewick-manifest.json";

    std::string sourceVolume;
    std::string sourceDevice;
    std::chrono::system_clock::time_point createdAt;
    std::chrono::system_clock::time_point cachedAt;
    std::chrono::system_clock::time_point copiedToServerAt;
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::string cachePath;
    std::string remotePath;
    bool cardCleared = false;

    // Pretty-printed, keys sorted, times in UTC to the second, "/" written as "\/".
    std::string encoded() const;
};

} // namespace slatewick

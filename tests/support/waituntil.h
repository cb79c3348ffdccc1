#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace slatewick::testsupport {

// Checks the condition every few milliseconds until it holds or the limit
// passes; for tests without an event loop to run (waitFor runs one).
inline bool waitUntil(const std::function<bool()> &condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace slatewick::testsupport

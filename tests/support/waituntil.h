#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace slatewick::testsupport {

// Checks the condition until it holds or the limit passes, pausing in between:
// by default a few milliseconds, for tests without an event loop to run.
inline bool waitUntil(
    const std::function<bool()> &condition, std::chrono::milliseconds limit = std::chrono::seconds(20),
    const std::function<void()> &pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); })
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        pause();
    }
    return true;
}

} // namespace slatewick::testsupport

#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace slatewick {

// Runs work on a thread of its own that nobody joins: a stalled share may hold it
// for ever, and quitting must not wait. A ReportChannel, not the thread, ties a
// result to its receiver. False when no thread could be made.
template<typename Work>
bool runDetached(Work work)
{
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

} // namespace slatewick

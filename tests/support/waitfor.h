#pragma once

#include "support/waituntil.h"

#include <QCoreApplication>

namespace slatewick::testsupport {

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    return waitUntil(condition, limit, [] {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    });
}

} // namespace slatewick::testsupport

#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <chrono>
#include <functional>

namespace slatewick::testsupport {

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    QDeadlineTimer deadline(limit);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

} // namespace slatewick::testsupport

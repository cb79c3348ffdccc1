#pragma once

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace slatewick {

// Carries a worker thread's reports to the main thread. A delivered report
// is awaited: the worker goes on only once the main thread has applied it.
// Abandoning the channel releases every waiting worker, so quitting never
// hangs on one; later deliveries throw CancellationError.
class ReportChannel final : public std::enable_shared_from_this<ReportChannel> {
public:
    explicit ReportChannel(QObject *receiver);

    // Worker side: applies on the receiver's thread and waits for it.
    void deliver(std::function<void()> apply);
    // Worker side: applies on the receiver's thread without waiting.
    void post(std::function<void()> apply);
    // Main side.
    void abandon();

private:
    bool enqueue(std::function<void()> apply, std::uint64_t &ticket);

    QObject *m_receiver;
    std::mutex m_mutex;
    std::condition_variable m_applied;
    bool m_abandoned = false;
    std::uint64_t m_posted = 0;
    std::uint64_t m_done = 0;
};

} // namespace slatewick

#pragma once

#include "coordinator/reportchannel.h"

#include <QObject>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace slatewick {

// Starts a thread of its own that nobody joins: a stalled share may hold it for
// ever, and quitting must not wait. False when the system has no thread to spare.
bool startUnjoinedThread(std::function<void()> run);

// The one way work leaves the main thread here: one run at a time on a thread of
// its own; asked again while running, it runs once more afterwards (the latest
// work asked for), so the last answer is never older than the last ask. The
// answer is applied on the main thread. Once the task is destroyed nothing is
// delivered and nothing waits: a run stuck on a stalled share ends on its own,
// holding only its work and the channel, never the task or its owner.
template<typename Result>
class BackgroundTask {
public:
    // Runs on the worker. A throw ends the run without an answer.
    using Work = std::function<Result()>;
    // Runs on the main thread, while the task exists.
    using Answered = std::function<void(Result)>;

    explicit BackgroundTask(Answered answered, Work standing = {})
        : m_core(std::make_shared<Core>())
    {
        m_core->answered = std::move(answered);
        m_core->standing = std::move(standing);
        m_core->channel = std::make_shared<ReportChannel>(&m_core->receiver);
    }
    BackgroundTask(const BackgroundTask &) = delete;
    BackgroundTask &operator=(const BackgroundTask &) = delete;
    ~BackgroundTask()
    {
        m_core->gone = true;
        m_core->channel->abandon();
    }

    // Runs the standing work, now or after the run under way.
    bool request() { return request(m_core->standing); }
    // Runs this work now, or after the run under way in place of any work asked for
    // meanwhile. False when no thread could be made.
    bool request(Work work) { return ask(m_core, std::move(work)); }
    bool running() const { return m_core->running; }

private:
    // Main thread only; the worker holds none of it.
    struct Core {
        Answered answered;
        Work standing;
        std::optional<Work> again;
        QObject receiver;
        std::shared_ptr<ReportChannel> channel;
        bool running = false;
        bool gone = false;
    };

    static bool ask(const std::shared_ptr<Core> &core, Work work)
    {
        if (core->running) {
            core->again = std::move(work);
            return true;
        }
        core->running = startUnjoinedThread(
            [channel = core->channel, work = std::move(work), weak = std::weak_ptr<Core>(core)] {
                std::optional<Result> result;
                try {
                    result = work();
                } catch (const std::exception &) {
                    // No answer; the next ask runs again.
                }
                channel->post([weak, result = std::move(result)]() mutable {
                    if (const std::shared_ptr<Core> owner = weak.lock())
                        finished(owner, std::move(result));
                });
            });
        return core->running;
    }

    static void finished(const std::shared_ptr<Core> &core, std::optional<Result> result)
    {
        core->running = false;
        std::optional<Work> again = std::exchange(core->again, std::nullopt);
        if (result)
            core->answered(std::move(*result));
        // The answer may have destroyed the task, or asked again itself.
        if (again && !core->gone)
            ask(core, std::move(*again));
    }

    std::shared_ptr<Core> m_core;
};

} // namespace slatewick

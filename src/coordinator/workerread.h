#pragma once

#include "coordinator/detachedwork.h"
#include "coordinator/reportchannel.h"

#include <functional>
#include <memory>
#include <utility>

namespace slatewick {

// A read done on a worker thread whose answer is handed back on the channel's
// thread. Reads are never doubled: asked again while one runs, it reads once
// more when that one answers, so the last answer is never older than the last ask.
template<typename Result>
class WorkerRead {
public:
    // read runs on a worker and must not throw; answered runs on the channel's thread.
    WorkerRead(std::shared_ptr<ReportChannel> channel, std::function<Result()> read,
               std::function<void(Result)> answered)
        : m_channel(std::move(channel))
        , m_read(std::move(read))
        , m_answered(std::move(answered))
    {
    }

    bool running() const { return m_running; }

    void start()
    {
        if (m_running) {
            m_again = true;
            return;
        }
        m_running = runDetached([channel = m_channel, read = m_read, self = this] {
            channel->post([self, result = read()]() mutable {
                self->m_running = false;
                self->m_answered(std::move(result));
                if (std::exchange(self->m_again, false))
                    self->start();
            });
        });
    }

private:
    std::shared_ptr<ReportChannel> m_channel;
    std::function<Result()> m_read;
    std::function<void(Result)> m_answered;
    bool m_running = false;
    bool m_again = false;
};

} // namespace slatewick

#include "coordinator/reportchannel.h"

#include "platform/cancellationerror.h"

#include <QMetaObject>

#include <algorithm>

namespace slatewick {

ReportChannel::ReportChannel(QObject *receiver)
    : m_receiver(receiver)
{
}

bool ReportChannel::enqueue(std::function<void()> apply, std::uint64_t &ticket)
{
    // Posting under the lock means nothing reaches the receiver once abandon() has returned:
    // the receiver removes what was already queued when it is destroyed.
    std::lock_guard lock(m_mutex);
    if (m_abandoned)
        return false;
    ticket = ++m_posted;
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), ticket, apply = std::move(apply)] {
            {
                std::lock_guard lock(self->m_mutex);
                if (self->m_abandoned)
                    return;
            }
            apply();
            {
                std::lock_guard lock(self->m_mutex);
                self->m_done = std::max(self->m_done, ticket);
            }
            self->m_applied.notify_all();
        },
        Qt::QueuedConnection);
    return true;
}

void ReportChannel::deliver(std::function<void()> apply)
{
    std::uint64_t ticket = 0;
    if (!enqueue(std::move(apply), ticket))
        throw CancellationError();
    std::unique_lock lock(m_mutex);
    m_applied.wait(lock, [&] { return m_done >= ticket || m_abandoned; });
    if (m_done < ticket)
        throw CancellationError();
}

void ReportChannel::post(std::function<void()> apply)
{
    std::uint64_t ticket = 0;
    enqueue(std::move(apply), ticket);
}

void ReportChannel::abandon()
{
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_applied.notify_all();
}

} // namespace slatewick

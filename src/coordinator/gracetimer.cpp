#include "coordinator/gracetimer.h"

#include <QMetaObject>
#include <QTimer>

#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

namespace slatewick {

GraceTimer::GraceTimer(QObject *parent)
    : QObject(parent)
    , m_fd(::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (!m_fd)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Read);
    m_notifier->setEnabled(false);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &GraceTimer::fire);
}

GraceTimer::~GraceTimer() = default;

void GraceTimer::start(std::chrono::seconds wait)
{
    m_active = true;
    if (wait.count() <= 0) {
        QMetaObject::invokeMethod(this, &GraceTimer::fire, Qt::QueuedConnection);
        return;
    }
    if (!m_fd) {
        // Without a timer descriptor, the monotonic clock of a plain timer will do.
        QTimer::singleShot(wait, this, &GraceTimer::fire);
        return;
    }
    itimerspec deadline{};
    deadline.it_value.tv_sec = static_cast<time_t>(wait.count());
    ::timerfd_settime(m_fd.get(), 0, &deadline, nullptr);
    m_notifier->setEnabled(true);
}

void GraceTimer::stop()
{
    m_active = false;
    if (m_fd) {
        const itimerspec disarmed{};
        ::timerfd_settime(m_fd.get(), 0, &disarmed, nullptr);
        m_notifier->setEnabled(false);
    }
}

void GraceTimer::fire()
{
    if (m_fd) {
        std::uint64_t expirations = 0;
        [[maybe_unused]] const ssize_t drained = ::read(m_fd.get(), &expirations, sizeof expirations);
        m_notifier->setEnabled(false);
    }
    if (!m_active)
        return;
    m_active = false;
    emit timeout();
}

} // namespace slatewick

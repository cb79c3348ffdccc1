#pragma once

#include "platform/uniquefd.h"

#include <QObject>
#include <QSocketNotifier>

#include <chrono>
#include <memory>

namespace slatewick {

// A one-shot wait on the boot-time clock, which keeps counting while the
// computer sleeps: a card inserted just before the lid closes is drained when
// it opens, not a full grace period later. Fires on the main loop.
class GraceTimer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GraceTimer)

public:
    explicit GraceTimer(QObject *parent = nullptr);
    ~GraceTimer() override;

    // A wait of zero or less fires in the next turn of the loop.
    void start(std::chrono::seconds wait);
    void stop();
    bool isActive() const { return m_active; }

signals:
    void timeout();

private:
    void fire();

    UniqueFd m_fd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};

} // namespace slatewick

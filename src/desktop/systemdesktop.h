#pragma once

#include "coordinator/desktopservices.h"

#include <QDBusConnection>

namespace slatewick {

// The desktop of the running session: notifications through the
// org.freedesktop.Notifications service on the session bus, folders through
// the file manager the desktop has chosen.
class SystemDesktop final : public DesktopServices {
public:
    explicit SystemDesktop(QDBusConnection bus = QDBusConnection::sessionBus());

    void notify(const QString &summary, const QString &body) override;
    void openFolder(const std::filesystem::path &folder, OpeningFailed failed) override;

private:
    QDBusConnection m_bus;
};

} // namespace slatewick

#pragma once

#include "coordinator/drainmodel.h"
#include "ui/quitconfirmation.h"

#include <QObject>

#include <memory>

namespace slatewick {

class ActivityNotifier;
class CacheSpace;
class DashboardPanel;
class DesktopServices;
class RecentBatches;
class TrayPresence;

// The running program: the process's one drain model, presented as a tray
// icon with its dashboard panel, or as an ordinary window where the desktop
// has no tray.
class SlatewickApp final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlatewickApp)

public:
    // desktop: notifications and the file manager; none leaves the desktop untold.
    explicit SlatewickApp(DrainModel::Collaborators collaborators, std::shared_ptr<DesktopServices> desktop = nullptr,
                          QObject *parent = nullptr);
    // The widgets go first, then the model stops its drains.
    ~SlatewickApp() override;

    DrainModel &model() { return *m_model; }
    DashboardPanel &panel() { return *m_panel; }
    // None where the desktop has no tray.
    TrayPresence *tray() { return m_tray.get(); }
    QuitConfirmation &quitConfirmation() { return *m_quitConfirmation; }

    // Opens the dashboard and brings it to the front.
    void showDashboard();

private:
    std::shared_ptr<DesktopServices> m_desktop;
    std::unique_ptr<DrainModel> m_model;
    std::unique_ptr<ActivityNotifier> m_notifier;
    std::unique_ptr<RecentBatches> m_history;
    std::unique_ptr<CacheSpace> m_cacheSpace;
    std::unique_ptr<QuitConfirmation> m_quitConfirmation;
    std::unique_ptr<DashboardPanel> m_panel;
    std::unique_ptr<TrayPresence> m_tray;
};

} // namespace slatewick

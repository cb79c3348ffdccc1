#include "app/slatewickapp.h"

#include "coordinator/activitynotifier.h"
#include "coordinator/cachespace.h"
#include "coordinator/recentbatches.h"
#include "ui/dashboardpanel.h"
#include "ui/dashboardview.h"
#include "ui/traypresence.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

namespace slatewick {

SlatewickApp::SlatewickApp(DrainModel::Collaborators collaborators, std::shared_ptr<DesktopServices> desktop,
                           QObject *parent)
    : QObject(parent)
    , m_desktop(std::move(desktop))
    , m_model(std::make_unique<DrainModel>(collaborators))
    , m_history(std::make_unique<RecentBatches>(collaborators.engine))
    , m_cacheSpace(std::make_unique<CacheSpace>(collaborators.engine))
    , m_quitConfirmation(std::make_unique<QuitConfirmation>(*m_model))
{
    // The session ending does not wait for an answer, so it is never asked.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { m_quitConfirmation->sessionEnds(); });
    // The cache figures and the recent batches follow every drain, send and freeing.
    connect(m_model.get(), &DrainModel::batchesChanged, this, [this] {
        m_cacheSpace->reload();
        m_history->reload();
    });
    connect(m_cacheSpace.get(), &CacheSpace::freed, m_history.get(), &RecentBatches::reload);
    // Told with or without a tray: a bare session still has a notification service.
    if (m_desktop)
        m_notifier = std::make_unique<ActivityNotifier>(
            *m_model, *m_desktop,
            collaborators.stateFolder.empty() ? std::filesystem::path() : collaborators.stateFolder / "told-notices");
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // Without a tray the dashboard is the program's window, and closing it quits.
        m_panel = std::make_unique<DashboardPanel>(*m_model, DashboardPanel::Mode::mainWindow);
        m_panel->dashboard()->setDesktop(m_desktop.get());
        m_panel->dashboard()->setRecentBatches(m_history.get());
        m_panel->dashboard()->setCacheSpace(m_cacheSpace.get());
        m_panel->setCloseGuard([this] { return m_quitConfirmation->mayQuit(m_panel.get()); });
        QApplication::setQuitOnLastWindowClosed(true);
        m_panel->open(QRect());
        return;
    }
    m_panel = std::make_unique<DashboardPanel>(*m_model, DashboardPanel::Mode::trayPanel);
    m_panel->dashboard()->setDesktop(m_desktop.get());
    m_panel->dashboard()->setRecentBatches(m_history.get());
    m_panel->dashboard()->setCacheSpace(m_cacheSpace.get());
    m_tray = std::make_unique<TrayPresence>(*m_model);
    QApplication::setQuitOnLastWindowClosed(false);
    connect(m_tray.get(), &TrayPresence::toggleRequested, this, [this] { m_panel->toggle(m_tray->geometry()); });
    connect(m_tray.get(), &TrayPresence::openRequested, this, [this] { m_panel->open(m_tray->geometry()); });
    connect(
        m_tray.get(), &TrayPresence::quitRequested, this,
        [this] {
            if (m_quitConfirmation->mayQuit(m_panel->isVisible() ? m_panel.get() : nullptr))
                QApplication::quit();
        },
        Qt::QueuedConnection);
    m_tray->show();
    // A first start shows the way: an icon alone tells someone who has set nothing up nothing.
    const DrainSettings &settings = m_model->settings();
    if (settings.watchedSlots.empty() || settings.remoteDirectory.empty())
        QTimer::singleShot(0, this, &SlatewickApp::showDashboard);
}

void SlatewickApp::showDashboard()
{
    m_panel->open(m_tray ? m_tray->geometry() : QRect());
}

SlatewickApp::~SlatewickApp()
{
    m_tray.reset();
    m_panel.reset();
    m_notifier.reset();
    m_history.reset();
    m_cacheSpace.reset();
    m_quitConfirmation.reset();
    m_model.reset();
}

} // namespace slatewick

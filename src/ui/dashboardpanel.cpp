#include "ui/dashboardpanel.h"

#include "coordinator/drainmodel.h"
#include "ui/dashboardview.h"
#include "ui/panelplacement.h"
#include "ui/symbolicons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace slatewick {

DashboardPanel::DashboardPanel(DrainModel &model, Mode mode, QWidget *parent)
    : QWidget(parent, mode == Mode::trayPanel ? Qt::Tool : Qt::Window)
    , m_model(model)
    , m_mode(mode)
    , m_dashboard(new DashboardView(model))
{
    setObjectName(QStringLiteral("dashboardPanel"));
    setMinimumSize(minimumWidth, minimumHeight);
    resize(minimumWidth, 700);
    setWindowIcon(SymbolIcons::icon(QStringLiteral("tray.and.arrow.down.fill")));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_dashboard);

    if (m_mode == Mode::trayPanel) {
        setWindowTitle(QStringLiteral("Slatewick"));
        auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(close, &QShortcut::activated, this, &QWidget::hide);
        return;
    }
    connect(&m_model, &DrainModel::settingsChanged, this, &DashboardPanel::updateTitle);
    connect(&m_model, &DrainModel::removableCardsChanged, this, &DashboardPanel::updateTitle);
    connect(&m_model, &DrainModel::readinessChanged, this, &DashboardPanel::updateTitle);
    connect(&m_model, &DrainModel::activitiesChanged, this, &DashboardPanel::updateTitle);
    connect(&m_model, &DrainModel::launchAtLoginMessageChanged, this, &DashboardPanel::updateTitle);
    updateTitle();
}

void DashboardPanel::open(QRect anchor)
{
    if (m_mode == Mode::trayPanel) {
        QScreen *screen = anchor.isValid() ? QGuiApplication::screenAt(anchor.center()) : nullptr;
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(PanelPlacement::position(size(), anchor, screen->availableGeometry()));
    }
    show();
    raise();
    activateWindow();
}

namespace {
// A click on the tray may take the focus from the panel just before it arrives.
constexpr qint64 clickFocusLossMs = 400;
} // namespace

void DashboardPanel::toggle(QRect anchor)
{
    const bool inFront = isActiveWindow()
                         || (m_sinceDeactivated.isValid() && m_sinceDeactivated.elapsed() < clickFocusLossMs);
    if (isVisible() && inFront)
        hide();
    else if (isVisible() || !inFront)
        open(anchor);
    // Otherwise the click on the tray took the focus and so closed the panel, as the click meant.
}

void DashboardPanel::closeEvent(QCloseEvent *event)
{
    if (m_mode == Mode::mainWindow && m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void DashboardPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The texts take their colours from the palette when they are made, so a switch
    // between light and dark builds the dashboard again, once the change has settled.
    const QEvent::Type type = event->type();
    if ((type == QEvent::PaletteChange || type == QEvent::ApplicationPaletteChange || type == QEvent::ThemeChange)
        && !m_rebuildPending) {
        m_rebuildPending = true;
        QTimer::singleShot(0, this, &DashboardPanel::rebuildDashboard);
    }
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        m_sinceDeactivated.invalidate();
        return;
    }
    m_sinceDeactivated.start();
    if (m_mode == Mode::trayPanel)
        QTimer::singleShot(0, this, &DashboardPanel::hideIfFocusWentElsewhere);
}

void DashboardPanel::hideIfFocusWentElsewhere()
{
    if (!isVisible() || isActiveWindow() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        return;
    // A window of the panel's own, such as its folder chooser, keeps it open.
    for (const QWidget *active = QApplication::activeWindow(); active; active = active->parentWidget()) {
        if (active == this)
            return;
    }
    hide();
}

void DashboardPanel::rebuildDashboard()
{
    m_rebuildPending = false;
    auto *fresh = new DashboardView(m_model);
    m_dashboard->connectLike(*fresh);
    delete layout()->replaceWidget(m_dashboard, fresh); // the old item is ours to delete
    m_dashboard->deleteLater();
    m_dashboard = fresh;
}

void DashboardPanel::updateTitle()
{
    setWindowTitle(QString::fromStdString(m_model.menuTitle()));
}

} // namespace slatewick

#include "ui/dashboardpanel.h"

#include "coordinator/drainmodel.h"
#include "ui/dashboardview.h"
#include "ui/panelplacement.h"
#include "ui/symbolicons.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
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

void DashboardPanel::toggle(QRect anchor)
{
    if (isVisible())
        hide();
    else
        open(anchor);
}

void DashboardPanel::updateTitle()
{
    setWindowTitle(QString::fromStdString(m_model.menuTitle()));
}

} // namespace slatewick

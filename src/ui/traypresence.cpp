#include "ui/traypresence.h"

#include "coordinator/drainmodel.h"
#include "ui/symbolicons.h"

namespace slatewick {

TrayPresence::TrayPresence(DrainModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
{
    QAction *open = m_menu.addAction(tr("Open Slatewick"));
    m_menu.addSeparator();
    QAction *quit = m_menu.addAction(tr("Quit Slatewick"));
    connect(open, &QAction::triggered, this, &TrayPresence::openRequested);
    connect(quit, &QAction::triggered, this, &TrayPresence::quitRequested);
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit toggleRequested();
    });

    connect(&m_model, &DrainModel::settingsChanged, this, &TrayPresence::refresh);
    connect(&m_model, &DrainModel::removableCardsChanged, this, &TrayPresence::refresh);
    connect(&m_model, &DrainModel::readinessChanged, this, &TrayPresence::refresh);
    connect(&m_model, &DrainModel::activitiesChanged, this, &TrayPresence::refresh);
    connect(&m_model, &DrainModel::launchAtLoginMessageChanged, this, &TrayPresence::refresh);
    refresh();
}

void TrayPresence::refresh()
{
    const QString symbol = QString::fromStdString(m_model.menuSymbol());
    if (symbol != m_symbol) {
        m_symbol = symbol;
        m_icon.setIcon(SymbolIcons::icon(symbol));
    }
    m_icon.setToolTip(QString::fromStdString(m_model.menuToolTip()));
}

} // namespace slatewick

#include "ui/dashboardview.h"

#include "coordinator/drainmodel.h"
#include "ui/activitysection.h"
#include "ui/cachesection.h"
#include "ui/configuredcard.h"
#include "ui/headerview.h"
#include "ui/recentbatchessection.h"
#include "ui/settingssection.h"
#include "ui/setupcard.h"

#include <QDir>
#include <QFileDialog>
#include <QHideEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace slatewick {

DashboardView::DashboardView(DrainModel &model, QWidget *parent)
    : QScrollArea(parent)
    , m_model(model)
    , m_chooseFolder(&DashboardView::chooseFolderWithDialog)
    , m_header(new HeaderView)
    , m_setup(new SetupCard(model))
    , m_configured(new ConfiguredCard(model))
    , m_activity(new ActivitySection(model))
    , m_recent(new RecentBatchesSection)
    , m_cache(new CacheSection)
    , m_settings(new SettingsSection(model))
{
    setObjectName(QStringLiteral("dashboard"));
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(18);
    column->addWidget(m_header);
    column->addWidget(m_setup);
    column->addWidget(m_configured);
    column->addWidget(m_activity);
    column->addWidget(m_recent);
    column->addWidget(m_cache);
    column->addWidget(m_settings);
    column->addStretch();
    setWidget(content);

    connect(m_setup, &SetupCard::chooseRequested, this, &DashboardView::chooseRemote);
    connect(m_configured, &ConfiguredCard::chooseRequested, this, &DashboardView::chooseRemote);
    connect(m_configured, &ConfiguredCard::changeSlotsRequested, this, [this] {
        m_editingSlots = true;
        redrawCards();
    });
    connect(m_setup, &SetupCard::doneRequested, this, [this] {
        m_editingSlots = false;
        redrawCards();
    });
    connect(&m_model, &DrainModel::settingsChanged, this, &DashboardView::redrawSettings);
    connect(&m_model, &DrainModel::removableCardsChanged, this, &DashboardView::redrawCards);
    connect(&m_model, &DrainModel::removableCardsChanged, m_activity, &ActivitySection::refresh);
    connect(&m_model, &DrainModel::readinessChanged, this, &DashboardView::redrawSettings);
    connect(&m_model, &DrainModel::activitiesChanged, this, &DashboardView::redrawActivities);
    connect(&m_model, &DrainModel::launchAtLoginMessageChanged, this, &DashboardView::redrawLaunchMessage);
    redrawSettings();
    redrawActivities();
}

std::optional<QString> DashboardView::chooseFolderWithDialog(QWidget *parent, const QString &current)
{
    // Nothing chosen yet: the home folder is where a user's mounted shares are found, not /.
    const QString start = current.isEmpty() ? QDir::homePath() : current;
    const QString chosen = QFileDialog::getExistingDirectory(parent, tr("Choose the remote server folder"), start,
                                                             QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void DashboardView::connectLike(DashboardView &fresh) const
{
    fresh.setFolderChooser(m_chooseFolder);
    fresh.setDesktop(m_desktop);
    fresh.setRecentBatches(m_history);
    fresh.setCacheSpace(m_space);
}

void DashboardView::setDesktop(DesktopServices *desktop)
{
    m_desktop = desktop;
    m_activity->setDesktop(desktop);
    m_recent->setDesktop(desktop);
}

void DashboardView::setRecentBatches(RecentBatches *history)
{
    m_history = history;
    m_recent->setHistory(history);
}

void DashboardView::setCacheSpace(CacheSpace *space)
{
    m_space = space;
    m_cache->setCacheSpace(space);
}

void DashboardView::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    m_cache->refresh();
    m_model.refreshCards();
    // The remote folder may have come or gone while the panel was closed, without any signal.
    m_model.recheckServerFolder();
    redrawCards();
}

void DashboardView::hideEvent(QHideEvent *event)
{
    QScrollArea::hideEvent(event);
    // "Change slots…" lasts while the panel is open; the next opening shows the plain state.
    if (!event->spontaneous() && m_editingSlots) {
        m_editingSlots = false;
        redrawCards();
    }
}

void DashboardView::chooseRemote()
{
    const QString current = QString::fromStdString(m_model.settings().remoteDirectory);
    const std::optional<QString> chosen = m_chooseFolder(this, current);
    if (!chosen)
        return;
    m_model.chooseServerFolder(chosen->toStdString());
}

// Every redraw decides afresh between setup and configured, from the model's last
// look at the server folder.
void DashboardView::redrawCards()
{
    const bool ready = m_model.isReady();
    m_setup->setVisible(!ready || m_editingSlots);
    m_setup->setEditing(ready && m_editingSlots);
    m_configured->setVisible(ready && !m_editingSlots);
    m_setup->refreshCards();
    m_configured->refreshCards();
}

void DashboardView::redrawSettings()
{
    m_setup->refreshSettings();
    m_configured->refresh();
    m_activity->refresh();
    m_settings->refresh();
    redrawCards();
}

void DashboardView::redrawActivities()
{
    // Clean exactly when the tray says so: never beside a card that needs attention.
    m_header->setClean(m_model.summary() == TraySummary::clean);
    m_activity->refresh();
    redrawCards();
}

void DashboardView::redrawLaunchMessage()
{
    m_settings->refresh();
    redrawCards();
}

} // namespace slatewick

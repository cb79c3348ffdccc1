#include "ui/activitysection.h"

#include "coordinator/desktopservices.h"
#include "coordinator/drainmodel.h"
#include "ui/activityrow.h"
#include "ui/folderopening.h"
#include "ui/symbolicons.h"
#include "ui/textstyle.h"

#include <QLabel>
#include <QVBoxLayout>

namespace slatewick {

namespace {

QWidget *emptyState()
{
    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("noActivity"));
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcons::pixmap(QStringLiteral("tray"), 36, panel->devicePixelRatioF()));
    icon->setAlignment(Qt::AlignCenter);
    auto *title = new QLabel(ActivitySection::tr("No cards are draining"));
    title->setAlignment(Qt::AlignCenter);
    TextStyle::headline(title);
    auto *description = new QLabel(ActivitySection::tr("Slatewick is listening for configured reader slots."));
    description->setObjectName(QStringLiteral("listeningNote"));
    description->setAlignment(Qt::AlignCenter);
    description->setWordWrap(true);
    TextStyle::secondary(description);

    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 12, 0, 12);
    column->setSpacing(6);
    column->addWidget(icon);
    column->addWidget(title);
    column->addWidget(description);
    return panel;
}

} // namespace

ActivitySection::ActivitySection(DrainModel &model, QWidget *parent)
    : SectionBox(tr("Card activity"), QStringLiteral("waveform.path.ecg"), 0, parent)
    , m_model(model)
    , m_empty(emptyState())
    , m_listeningNote(m_empty->findChild<QLabel *>(QStringLiteral("listeningNote")))
    , m_list(new QWidget)
    , m_rowsLayout(new QVBoxLayout(m_list))
{
    setObjectName(QStringLiteral("activitySection"));
    m_rowsLayout->setContentsMargins(4, 4, 4, 4);
    m_rowsLayout->setSpacing(12);
    content()->addWidget(m_empty);
    content()->addWidget(m_list);
    refresh();
}

void ActivitySection::refresh()
{
    const std::vector<CardActivity> &activities = m_model.activities();
    m_empty->setVisible(activities.empty());
    m_list->setVisible(!activities.empty());
    // With no slot watched there is nothing to listen for.
    m_listeningNote->setVisible(!m_model.settings().watchedSlots.empty());

    // Rows are reused by position; a row whose own "Dismiss" is being handled is deleted later.
    while (m_rows.size() > activities.size()) {
        ActivityRow *row = m_rows.back();
        m_rows.pop_back();
        m_rowsLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    for (std::size_t i = 0; i < activities.size(); ++i) {
        if (i >= m_rows.size()) {
            auto *row = new ActivityRow(activities[i], {});
            row->setDismiss([this, row] { m_model.clearActivity(row->activity()); });
            row->setSkip([this, row] { m_model.skipCard(row->activity().id); });
            row->setPendingActions([this] { m_model.tryPendingNow(); },
                                   [this, row] { m_model.sendPendingToCurrentFolder(row->activity().id); });
            offerOpening(row);
            m_rowsLayout->addWidget(row);
            m_rows.push_back(row);
        }
        ActivityRow *row = m_rows[i];
        row->setActivity(activities[i]);
        row->setTrying(m_model.tryingPending());
        if (m_model.mayDrainAgain(activities[i]))
            row->setDrainAgain([this, row] { m_model.drainAgain(row->activity().id); });
        else
            row->setDrainAgain({});
    }
}


void ActivitySection::setDesktop(DesktopServices *desktop)
{
    m_desktop = desktop;
    for (ActivityRow *row : m_rows)
        offerOpening(row);
}

void ActivitySection::offerOpening(ActivityRow *row)
{
    if (!m_desktop) {
        row->setOpenFolder({});
        return;
    }
    row->setOpenFolder([desktop = m_desktop, row](const std::filesystem::path &folder) {
        openFolderOrSay(*desktop, folder, row);
    });
}

} // namespace slatewick

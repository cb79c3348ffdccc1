#include "ui/recentbatchessection.h"

#include "coordinator/desktopservices.h"
#include "coordinator/recentbatches.h"
#include "coordinator/upkeeppresenter.h"
#include "ui/batchentry.h"
#include "ui/folderopening.h"
#include "ui/plainwidgets.h"
#include "ui/textstyle.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace slatewick {

RecentBatchesSection::RecentBatchesSection(QWidget *parent)
    : SectionBox(tr("Recent batches"), QStringLiteral("clock.fill"), 8, parent)
    , m_toggle(actionButton(QString(), "recentBatchesToggle"))
    , m_state(new QLabel)
    , m_list(new QWidget)
    , m_entriesLayout(new QVBoxLayout(m_list))
{
    setObjectName(QStringLiteral("recentBatches"));
    m_state->setObjectName(QStringLiteral("recentBatchesState"));
    TextStyle::caption(m_state);
    TextStyle::secondary(m_state);
    m_entriesLayout->setContentsMargins(0, 0, 0, 0);
    m_entriesLayout->setSpacing(14);
    content()->addWidget(m_toggle, 0, Qt::AlignLeft);
    content()->addWidget(m_state);
    content()->addWidget(m_list);
    connect(m_toggle, &QPushButton::clicked, this, [this] { setUnfolded(!m_unfolded); });
    setVisible(false);
}

void RecentBatchesSection::setHistory(RecentBatches *history)
{
    if (m_history)
        disconnect(m_history, nullptr, this, nullptr);
    m_history = history;
    setVisible(m_history != nullptr);
    if (m_history)
        connect(m_history, &RecentBatches::changed, this, &RecentBatchesSection::redraw);
    if (m_unfolded && m_history)
        m_history->reload();
    redraw();
}

void RecentBatchesSection::setDesktop(DesktopServices *desktop)
{
    m_desktop = desktop;
    redraw();
}

void RecentBatchesSection::setUnfolded(bool unfolded)
{
    m_unfolded = unfolded;
    // Batches come and go while the section is folded; opening it reads them again.
    if (m_unfolded && m_history)
        m_history->reload();
    redraw();
}

void RecentBatchesSection::redraw()
{
    m_toggle->setText(m_unfolded ? tr("Hide") : tr("Show recent batches"));
    const bool shown = m_unfolded && m_history;
    const std::size_t count = shown ? m_history->batches().size() : 0;
    m_state->setVisible(shown && count == 0);
    m_state->setText(shown && m_history->loading() ? tr("Reading the cache\u2026")
                                                   : tr("No batches in the local cache yet."));
    m_list->setVisible(shown && count > 0);
    while (m_entries.size() > count) {
        m_entries.back()->deleteLater();
        m_entriesLayout->removeWidget(m_entries.back());
        m_entries.pop_back();
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (i == m_entries.size()) {
            auto *entry = new BatchEntry;
            connect(entry, &BatchEntry::openRequested, this, [this](const std::filesystem::path &folder) {
                if (m_desktop)
                    openFolderOrSay(*m_desktop, folder, this);
            });
            connect(entry, &BatchEntry::recheckRequested, this, [this](const std::filesystem::path &folder) {
                if (m_history)
                    m_history->recheck(folder);
            });
            m_entriesLayout->addWidget(entry);
            m_entries.push_back(entry);
        }
        const RecentBatch &record = m_history->batches()[i];
        m_entries[i]->display(record, UpkeepPresenter::recheck(m_history->report(record.folder)), m_desktop != nullptr);
    }
}

} // namespace slatewick

#include "coordinator/activitynotifier.h"

#include "coordinator/desktopservices.h"
#include "coordinator/drainmodel.h"
#include "coordinator/presenter.h"

namespace slatewick {

ActivityNotifier::ActivityNotifier(const DrainModel &model, DesktopServices &desktop, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_desktop(desktop)
{
    for (const CardActivity &row : m_model.activities())
        m_phases.insert_or_assign(row.id, row.phase);
    connect(&m_model, &DrainModel::activitiesChanged, this, &ActivityNotifier::compare);
}

void ActivityNotifier::compare()
{
    std::map<std::string, DrainPhase> phases;
    for (const CardActivity &row : m_model.activities()) {
        phases.insert_or_assign(row.id, row.phase);
        const auto before = m_phases.find(row.id);
        if (before != m_phases.end() && before->second == row.phase)
            continue;
        const bool wasReading = before != m_phases.end()
                                && (before->second == DrainPhase::caching || before->second == DrainPhase::clearing);
        std::optional<Notice> notice;
        // The server copy starts only once the card is left alone: verified in the
        // cache, cleared when asked, and its folder descriptor closed for ejecting.
        if (row.phase == DrainPhase::copying && wasReading)
            notice = Presenter::mayBeTakenOut(row.cardName);
        else if (row.phase == DrainPhase::ready)
            notice = Presenter::onServer(row.cardName, row.detail);
        else if (row.phase == DrainPhase::failed)
            notice = Presenter::needsAttention(row.cardName, row.detail);
        if (notice)
            m_desktop.notify(notice->title, notice->body);
    }
    m_phases = std::move(phases);
}

} // namespace slatewick

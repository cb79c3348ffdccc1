#include "coordinator/activitynotifier.h"

#include "coordinator/desktopservices.h"
#include "coordinator/drainmodel.h"

namespace slatewick {

namespace {

QString text(const std::string &utf8) { return QString::fromStdString(utf8); }

} // namespace

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
        const QString name = text(row.cardName);
        // The server copy starts only once the card is left alone: verified in the
        // cache, cleared when asked, and its folder descriptor closed for ejecting.
        if (row.phase == DrainPhase::copying && wasReading)
            m_desktop.notify(name + QStringLiteral(" can be taken out"),
                             QStringLiteral("Safe in the local cache; the server copy continues from there."));
        else if (row.phase == DrainPhase::ready)
            m_desktop.notify(name + QStringLiteral(" is on the server"), text(row.detail));
        else if (row.phase == DrainPhase::failed)
            m_desktop.notify(name + QStringLiteral(" needs attention"), text(row.detail));
    }
    m_phases = std::move(phases);
}

} // namespace slatewick

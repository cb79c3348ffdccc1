#include "ui/phasestyle.h"

#include "ui/textstyle.h"

namespace slatewick {

PhaseStyle PhaseStyle::of(DrainPhase phase)
{
    switch (phase) {
    case DrainPhase::waiting: return {QStringLiteral("clock.fill"), TextStyle::orange(), false, false};
    case DrainPhase::caching: return {QStringLiteral("internaldrive.fill"), TextStyle::accent(), true, false};
    case DrainPhase::copying: return {QStringLiteral("network"), TextStyle::accent(), true, false};
    case DrainPhase::clearing: return {QStringLiteral("trash.fill"), TextStyle::accent(), false, false};
    case DrainPhase::ready: return {QStringLiteral("checkmark.circle.fill"), TextStyle::green(), false, true};
    case DrainPhase::failed: return {QStringLiteral("exclamationmark.triangle.fill"), TextStyle::red(), false, true};
    case DrainPhase::removed: return {QStringLiteral("eject.fill"), TextStyle::grey(), false, true};
    }
    return {QStringLiteral("clock.fill"), TextStyle::grey(), false, false};
}

PhaseStyle PhaseStyle::of(const CardActivity &activity)
{
    if (activity.state == RowState::copiedNotCleared)
        return {QStringLiteral("exclamationmark.triangle.fill"), TextStyle::orange(), false, true};
    if (activity.state == RowState::pendingServerCopy || activity.state == RowState::pendingOtherFolder)
        return {QStringLiteral("clock.fill"), TextStyle::orange(), false, false};
    if (activity.state == RowState::alreadyDrained)
        return {QStringLiteral("checkmark.circle.fill"), TextStyle::grey(), false, true};
    if (activity.state == RowState::takenOutEarly)
        return {QStringLiteral("eject.fill"), TextStyle::orange(), false, true};
    if (activity.state == RowState::waitingForServerFolder)
        return {QStringLiteral("clock.fill"), TextStyle::grey(), false, false};
    return of(activity.phase);
}

} // namespace slatewick

#include "coordinator/traysummary.h"

#include <algorithm>

namespace slatewick {

// A card taken out before it was copied, like a batch waiting for the server, needs
// attention until its row is dismissed: a clean tray beside it would promise it is safe.
TraySummary summarize(const std::vector<CardActivity> &activities, bool ready)
{
    const auto any = [&](std::initializer_list<DrainPhase> phases) {
        return std::any_of(activities.begin(), activities.end(), [&](const CardActivity &row) {
            return std::find(phases.begin(), phases.end(), row.phase) != phases.end();
        });
    };
    const bool pending = std::any_of(activities.begin(), activities.end(), [](const CardActivity &row) {
        return row.state == RowState::pendingServerCopy || row.state == RowState::pendingOtherFolder
               || row.state == RowState::takenOutEarly;
    });
    if (pending || any({DrainPhase::failed}))
        return TraySummary::attention;
    if (any({DrainPhase::caching, DrainPhase::copying, DrainPhase::clearing}))
        return TraySummary::draining;
    if (any({DrainPhase::ready}))
        return TraySummary::clean;
    return ready ? TraySummary::ready : TraySummary::setup;
}

std::string symbolOf(TraySummary summary)
{
    switch (summary) {
    case TraySummary::attention: return "exclamationmark.triangle.fill";
    case TraySummary::draining: return "arrow.triangle.2.circlepath";
    case TraySummary::clean: return "checkmark.circle.fill";
    case TraySummary::ready: return "tray.and.arrow.down.fill";
    case TraySummary::setup: break;
    }
    return "slider.horizontal.3";
}

} // namespace slatewick

#include "model/drainphase.h"

namespace slatewick {

std::string_view displayText(DrainPhase phase)
{
    switch (phase) {
    case DrainPhase::waiting: return "Waiting for card to settle";
    case DrainPhase::caching: return "Caching locally";
    case DrainPhase::copying: return "Copying to server";
    case DrainPhase::clearing: return "Clearing card";
    case DrainPhase::ready: return "Trap clean \u2014 card ready";
    case DrainPhase::failed: return "Needs attention";
    case DrainPhase::removed: return "Card removed";
    }
    return {};
}

} // namespace slatewick

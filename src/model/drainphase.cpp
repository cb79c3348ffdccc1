#include "model/drainphase.h"

#include <nlohmann/json.hpp>

#include <string>

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

std::optional<DrainPhase> phaseFromText(std::string_view text)
{
    for (DrainPhase phase : allDrainPhases) {
        if (displayText(phase) == text)
            return phase;
    }
    return std::nullopt;
}

nlohmann::json toJson(DrainPhase phase)
{
    return std::string(displayText(phase));
}

DrainPhase drainPhaseFromJson(const nlohmann::json &json)
{
    if (json.is_string()) {
        if (auto phase = phaseFromText(json.get_ref<const std::string &>()))
            return *phase;
    }
    throw nlohmann::json::other_error::create(501, "not a drain phase", &json);
}

} // namespace slatewick

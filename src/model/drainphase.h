#pragma once

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace slatewick {

// The stage of one card's drain. Each phase's value is the text the interface shows.
enum class DrainPhase { waiting, caching, copying, clearing, ready, failed, removed };

inline constexpr std::array allDrainPhases{DrainPhase::waiting, DrainPhase::caching, DrainPhase::copying,
                                           DrainPhase::clearing, DrainPhase::ready, DrainPhase::failed,
                                           DrainPhase::removed};

std::string_view displayText(DrainPhase phase);
// Exact match, case and spaces included; any other text gives no phase.
std::optional<DrainPhase> phaseFromText(std::string_view text);

// Serial form: the display text as a JSON string. Reading an unknown text throws.
nlohmann::json toJson(DrainPhase phase);
DrainPhase drainPhaseFromJson(const nlohmann::json &json);

} // namespace slatewick

#pragma once

#include <string_view>

namespace slatewick {

// The stage of one card's drain. Each phase's value is the text the interface shows.
enum class DrainPhase { waiting, caching, copying, clearing, ready, failed, removed };

std::string_view displayText(DrainPhase phase);

} // namespace slatewick

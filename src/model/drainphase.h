#pragma once

namespace slatewick {

// The stage of one card's drain; the coordinator's presenter gives each its text.
enum class DrainPhase { waiting, caching, copying, clearing, ready, failed, removed };

} // namespace slatewick

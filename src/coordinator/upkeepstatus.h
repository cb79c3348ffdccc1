#pragma once

#include "engine/upkeep/batchchecking.h"
#include "engine/upkeep/cachefreeing.h"

namespace slatewick {

// Where the last "Free cache space" or removal of incomplete folders stands.
struct FreeingStatus {
    enum class Stage { none, checkingServer, removing, noThread, done };
    Stage stage = Stage::none;
    FreeingReport report; // done
};

// Where the "Check again" of one batch stands.
struct RecheckStatus {
    enum class Stage { checking, noThread, done };
    Stage stage = Stage::checking;
    Recheck result; // done
};

} // namespace slatewick

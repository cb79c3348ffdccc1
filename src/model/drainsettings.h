#pragma once

#include "model/cardslot.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace slatewick {

// Everything the user decides. Plain value; copies are independent.
struct DrainSettings {
    std::vector<CardSlot> watchedSlots;
    std::string remoteDirectory;
    bool clearAfterCopy = false;
    std::string namingTemplate = "{date}_{card}_{batch}";
    std::int64_t gracePeriodSeconds = 8;
    bool launchAtLogin = true;

    bool operator==(const DrainSettings &) const = default;
};

// Compact document with the six members in field order.
nlohmann::ordered_json toJson(const DrainSettings &settings);
// Strict: every member required with its type; one bad member or slot throws.
DrainSettings drainSettingsFromJson(const nlohmann::json &json);

} // namespace slatewick

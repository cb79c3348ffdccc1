#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <string>

namespace slatewick {

// A reader slot the user watches. Identified by its fingerprint alone;
// the other fields are kept for display.
struct CardSlot {
    std::string fingerprint;
    std::string label;
    std::string vendor;
    std::string model;
    std::string protocolName;

    const std::string &id() const { return fingerprint; }
    bool operator==(const CardSlot &) const = default;
};

// Written with the five members in field order. Reading is strict: all five
// must be strings; other members are ignored. Throws nlohmann::json::exception.
nlohmann::ordered_json toJson(const CardSlot &slot);
CardSlot cardSlotFromJson(const nlohmann::json &json);

} // namespace slatewick

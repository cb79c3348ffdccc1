#include "model/cardslot.h"

#include "model/jsonfields.h"

namespace slatewick {

nlohmann::ordered_json toJson(const CardSlot &slot)
{
    return nlohmann::ordered_json{
        {"fingerprint", slot.fingerprint},
        {"label", slot.label},
        {"vendor", slot.vendor},
        {"model", slot.model},
        {"protocolName", slot.protocolName},
    };
}

CardSlot cardSlotFromJson(const nlohmann::json &json)
{
    return CardSlot{
        jsonfields::string(json, "fingerprint"),
        jsonfields::string(json, "label"),
        jsonfields::string(json, "vendor"),
        jsonfields::string(json, "model"),
        jsonfields::string(json, "protocolName"),
    };
}

} // namespace slatewick

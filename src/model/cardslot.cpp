#include "model/cardslot.h"

#include "model/hashcombine.h"
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

std::size_t std::hash<slatewick::CardSlot>::operator()(const slatewick::CardSlot &slot) const noexcept
{
    std::size_t seed = 0;
    slatewick::hashCombine(seed, slot.fingerprint);
    slatewick::hashCombine(seed, slot.label);
    slatewick::hashCombine(seed, slot.vendor);
    slatewick::hashCombine(seed, slot.model);
    slatewick::hashCombine(seed, slot.protocolName);
    return seed;
}

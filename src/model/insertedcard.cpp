#include "model/insertedcard.h"

#include "model/hashcombine.h"

namespace slatewick {

CardSlot InsertedCard::slot() const
{
    return CardSlot{fingerprint, displayName + " \u2014 " + fingerprint, vendor, model, protocolName};
}

} // namespace slatewick

std::size_t std::hash<slatewick::InsertedCard>::operator()(const slatewick::InsertedCard &card) const noexcept
{
    std::size_t seed = 0;
    slatewick::hashCombine(seed, card.url.string());
    slatewick::hashCombine(seed, card.displayName);
    slatewick::hashCombine(seed, card.deviceIdentifier);
    slatewick::hashCombine(seed, card.fingerprint);
    slatewick::hashCombine(seed, card.vendor);
    slatewick::hashCombine(seed, card.model);
    slatewick::hashCombine(seed, card.protocolName);
    return seed;
}

#include "model/insertedcard.h"


namespace slatewick {

CardSlot InsertedCard::slot() const
{
    return CardSlot{fingerprint, displayName + " \u2014 " + fingerprint, vendor, model, protocolName};
}

} // namespace slatewick

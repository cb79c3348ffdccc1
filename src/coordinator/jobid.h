#pragma once

#include "model/insertedcard.h"

#include <compare>
#include <string>

namespace slatewick {

// One mount of a card: its mount point and which mount it is there, so a card put
// in while the drain of the card before it at the same place still runs is its own.
struct JobId {
    std::string cardId; // the mount point's path
    std::string mountKey;

    static JobId of(const InsertedCard &card) { return {card.id(), card.mountKey}; }
    auto operator<=>(const JobId &) const = default;
};

} // namespace slatewick

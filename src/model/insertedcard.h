#pragma once

#include "model/cardslot.h"

#include <cstddef>
#include <filesystem>
#include <string>

namespace slatewick {

// One mounted removable volume as discovery saw it. Its id is the mount
// point's path, which keys the card's job and activity row.
struct InsertedCard {
    std::filesystem::path url;
    std::string displayName;
    std::string deviceIdentifier;
    std::string fingerprint;
    std::string vendor;
    std::string model;
    std::string protocolName;
    // Which mount this is, so that two cards mounted in turn at one mount point
    // (cameras name every card alike) are two cards; empty where unknown.
    std::string mountKey = {};

    std::string id() const { return url.string(); }
    // The slot this card sits in, labelled "<name> — <fingerprint>".
    CardSlot slot() const;
    bool operator==(const InsertedCard &) const = default;
};

} // namespace slatewick

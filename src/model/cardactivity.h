#pragma once

#include "model/drainphase.h"
#include "model/insertedcard.h"

#include <filesystem>
#include <optional>
#include <string>

namespace slatewick {

// One card's row in the activity list. Keyed by id, the card's mount path.
struct CardActivity {
    CardActivity(const InsertedCard &card, DrainPhase phase, double progress, std::string detail);
    CardActivity(const InsertedCard &card, DrainPhase phase, std::string detail)
        : CardActivity(card, phase, 0.0, std::move(detail))
    {
    }

    std::string id;
    std::string cardName;
    DrainPhase phase;
    double progress;
    std::string detail;
    std::optional<std::filesystem::path> batchURL;

    bool operator==(const CardActivity &) const = default;
};

} // namespace slatewick

#pragma once

#include "model/drainphase.h"
#include "model/insertedcard.h"

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace slatewick {

// What a row shows beyond its drain phase. Rows are never stored, so states may be added.
enum class RowState {
    plain,
    gracePeriod, // phase waiting: counting down, and the user may skip the card
    skipped,     // phase removed: not drained; drained at its next insertion
    copiedNotCleared,       // phase ready: both copies verified, the card kept its files
    waitingForServerFolder, // phase waiting: drains once the folder is back
    pendingServerCopy,      // phase waiting: safe in the cache, sent when the server answers
    pendingOtherFolder,     // the same, for a folder other than the one chosen now
    pendingBroken,          // phase failed: a pending batch that cannot be sent; its record stays
    pendingGone,            // phase failed: its cache batch was deleted
    alreadyDrained,         // phase removed: a card found at start that was drained before; "Drain again"
    takenOutEarly,          // phase removed: taken out before its cache copy was verified; needs attention
};

// A row's identity, given by the model when it makes the row; never made from text.
struct RowId {
    std::uint64_t value = 0;
    auto operator<=>(const RowId &) const = default;
};

// One card's row in the activity list. Its texts come from the coordinator's presenter.
struct CardActivity {
    CardActivity(const InsertedCard &card, DrainPhase phase, double progress, std::string detail);
    CardActivity(const InsertedCard &card, DrainPhase phase, std::string detail)
        : CardActivity(card, phase, 0.0, std::move(detail))
    {
    }

    RowId id;           // none until the model shows the row
    std::string cardId; // the id (mount path) of the card the row was made for; empty for a batch's own row
    std::string cardName;
    DrainPhase phase;
    double progress;
    std::string detail;
    std::optional<std::filesystem::path> batchURL;
    RowState state = RowState::plain;
    // A line under the detail: bytes, speed and time left while copying, the
    // countdown while waiting.
    std::string progressLine;

    bool operator==(const CardActivity &) const = default;
};

} // namespace slatewick

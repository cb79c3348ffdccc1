#pragma once

#include "engine/records/pendingcause.h"
#include "model/cardactivity.h"

#include <optional>
#include <string>

namespace slatewick {

// What the user should know about a row, told once when it happens; the
// notifier words it and tells the desktop.
struct DrainNotice {
    enum class Kind {
        mayBeTakenOut, // the cache copy is verified (and the card cleared when asked); the server copy begins
        onServer,      // the batch is verified on the server
        needsAttention,
    };
    // Why a row needs attention.
    enum class Why { failed, takenOutEarly, waitingForServer, notSent };

    Kind kind = Kind::needsAttention;
    RowId row;
    std::string cardName;
    std::string detail; // the row's detail as shown: the notice's body
    Why why = Why::failed;
    // The batch it is about (empty before a batch exists) and, waiting for the
    // server, the cause: a batch is told about once per reason.
    std::string batch;
    std::optional<PendingCause::Kind> cause;

    bool operator==(const DrainNotice &) const = default;
};

} // namespace slatewick

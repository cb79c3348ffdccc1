#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace slatewick {

// Why a verified cache batch waits for the server, with the facts of that cause.
struct PendingCause {
    enum class Kind {
        serverMissing, // the server folder is not there (or not on its file system)
        noRoom,        // `needed` bytes, `available` free on the server
        nestedBatch,   // `message`: the drain error naming both batches
        drainFailed,   // another of the drain's own errors (`message`: its sentence)
        failed,        // `message`: the failure's own message (a file-system error, say)
    };

    Kind kind = Kind::failed;
    std::int64_t needed = 0;
    std::int64_t available = 0;
    std::string message;
    // A copy of the failure where it is the drain's own or a file system's, so that it
    // can be worded from its facts; none for others, which have only their message.
    std::shared_ptr<const std::exception> failure;

    // The cause a send's failure stands for.
    static PendingCause of(const std::exception &failure);
    bool operator==(const PendingCause &other) const
    {
        return kind == other.kind && needed == other.needed && available == other.available
               && message == other.message;
    }
};

} // namespace slatewick

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// Why a card that was to be cleared kept its files, with the facts of that reason.
struct NotCleared {
    enum class Reason {
        historyMismatch, // `files` differ from the card's own ASC MHL history
        cacheInMemory,   // `detail`: the memory storage the cache lies on
        cacheBatchGone,  // `detail`: the cache batch's path
        takenOut,
        swapped,         // another card is in its place
        filesLeft,       // `count` files appeared or changed after the listing
        lockedOrReadOnly,
        clearingFailed,  // `detail`: the file-system error's own message; `failure`: its facts
        recorded,        // an earlier version's record: `detail` is its stored sentence
    };

    Reason reason = Reason::takenOut;
    std::int64_t count = 0;
    std::string detail;
    std::vector<std::string> files;
    // The failed operation of clearingFailed, so that it can be worded again; none in
    // records written before it was kept.
    struct Failure {
        std::string operation;
        std::string path;
        int errorNumber = 0;
        bool operator==(const Failure &) const = default;
    };
    std::optional<Failure> failure;

    // The stored form, and back; nothing for an empty or unknown name.
    static const char *codeOf(Reason reason);
    static std::optional<Reason> reasonNamed(const std::string &code);
    bool operator==(const NotCleared &) const = default;
};

} // namespace slatewick

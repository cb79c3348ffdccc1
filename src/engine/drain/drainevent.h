#pragma once

#include "model/drainphase.h"

#include <cstdint>
#include <filesystem>

namespace slatewick {

// What a drain tells while it runs, in the order it happens; the coordinator words it.
struct DrainEvent {
    enum class Kind {
        listed,     // the card is listed (files, bytes); its copy into the cache begins
        fileCopied, // file number `file` of `files` is copied (phase caching or copying)
        clearing,   // the cache copy is verified; the card is being cleared
        sending,    // the server copy begins, into `folder`
    };

    Kind kind = Kind::listed;
    DrainPhase phase = DrainPhase::caching;
    double progress = 0.0; // fraction of the phase's work done, 0 to 1
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::int64_t file = 0;
    std::filesystem::path folder;

    static DrainEvent listed(std::int64_t files, std::int64_t bytes)
    {
        return {Kind::listed, DrainPhase::caching, 0.0, files, bytes, 0, {}};
    }
    static DrainEvent fileCopied(DrainPhase phase, double progress, std::int64_t file, std::int64_t files,
                                 std::int64_t bytes)
    {
        return {Kind::fileCopied, phase, progress, files, bytes, file, {}};
    }
    static DrainEvent clearing(std::int64_t files, std::int64_t bytes)
    {
        return {Kind::clearing, DrainPhase::clearing, 1.0, files, bytes, 0, {}};
    }
    static DrainEvent sending(std::int64_t files, std::int64_t bytes, std::filesystem::path folder)
    {
        return {Kind::sending, DrainPhase::copying, 0.0, files, bytes, 0, std::move(folder)};
    }
    bool operator==(const DrainEvent &) const = default;
};

} // namespace slatewick

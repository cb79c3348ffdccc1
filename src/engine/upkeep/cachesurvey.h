#pragma once

#include "engine/records/batchrecord.h"
#include "engine/space/spacecheck.h"
#include "model/batchmanifest.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace slatewick {

// One batch folder of the cache as "Free cache space" sees it.
struct CacheBatch {
    std::filesystem::path folder;
    std::int64_t bytes = 0;        // what its files hold
    bool complete = false;         // verified: a record, a checksum file or a manifest
    BatchManifest manifest;        // as its record or manifest has it, when complete
    bool onServer = false;         // its record says so
    bool serverBatchThere = false; // and that server batch exists

    bool offered() const { return complete && onServer && serverBatchThere; }
    // No drain finished it and it holds no batch: it may be removed.
    bool incomplete() const { return !complete; }
};

// The cache and the room left on its disk. Batches: those offered, oldest
// first, then the complete ones without a server batch, then the incomplete.
struct CacheSurvey {
    std::vector<CacheBatch> batches;
    std::int64_t heldBytes = 0;
    FreeSpace room;
    std::int64_t largestRecent = 0; // the largest of the last five batches

    bool roomIsShort() const { return room.known && room.available < largestRecent; }
    std::vector<CacheBatch> offered() const;
};

// Reads the cache below its root: a folder a record names, or with a checksum
// file or a manifest, is a batch; a folder holding no batch at any depth is an
// incomplete one (a failed drain's). Records of freed batches name nothing.
// Looks for each server batch, so a stalled share can hold it: never on the main thread.
// A cache not made yet is empty; the room is that of the disk it will be made on.
CacheSurvey surveyCache(const std::filesystem::path &cacheRoot, const std::vector<BatchRecord> &records);

// The longest run of offered batches, oldest first, whose bytes stay within amount.
std::vector<CacheBatch> oldestWithin(const std::vector<CacheBatch> &offered, std::int64_t amount);

// The bytes of the regular files below a folder; links are not followed.
std::int64_t treeBytes(const std::filesystem::path &folder);

} // namespace slatewick

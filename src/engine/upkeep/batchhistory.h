#pragma once

#include "engine/records/batchrecord.h"
#include "model/batchmanifest.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace slatewick {

// A recent batch as its record tells it, in both places.
struct RecentBatch {
    std::filesystem::path folder; // the cache batch, gone once freed
    BatchManifest manifest;       // remotePath: the server batch, once there
    BatchState state = BatchState::cached;

    bool freed() const { return state == BatchState::freed; }
};

// The newest batches, newest first, from their records: freed ones too, whose
// server batch can still be checked.
std::vector<RecentBatch> recentBatches(const std::vector<BatchRecord> &records, std::size_t limit);

// Reads a manifest's text; throws std::exception on anything that is not one.
BatchManifest decodeManifest(const std::string &text);

} // namespace slatewick

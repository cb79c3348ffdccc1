#pragma once

#include "model/batchmanifest.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace slatewick {

// A batch of the cache as its manifest records it.
struct BatchRecord {
    std::filesystem::path folder; // where the manifest was found
    BatchManifest manifest;
};

// The newest batches of the cache, newest first, from the manifests below the
// cache root (a naming template may nest batches in folders). Folders without a
// readable manifest are passed over: a half-written batch is no batch.
std::vector<BatchRecord> recentBatches(const std::filesystem::path &cacheRoot, std::size_t limit);

// Reads a manifest's text; throws std::exception on anything that is not one.
BatchManifest decodeManifest(const std::string &text);

} // namespace slatewick

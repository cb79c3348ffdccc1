#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace slatewick {

// What "Free cache space" did: the batches removed and, for each one kept, why.
struct FreeingReport {
    std::vector<std::filesystem::path> removed;
    std::int64_t freedBytes = 0;
    std::vector<std::string> kept; // "CARD02: Server batch: 1 file changed (DCIM/a.jpg)."

    // "Removed 2 batches (3.1 GB). Kept 1: ..."
    std::string sentence() const;
};

// Removes each cache batch whose server batch proves to hold it: the server
// batch named by the cache batch's manifest is on the server folder's recorded
// file system and not on the cache's, and, read back from storage, lists the
// same files as the cache batch's checksum file with every hash equal. Any
// other batch is kept, with the reason. Reads the server: never on the main thread.
// serverFolder, stateFolder: as the drains' ServerFolder takes them.
FreeingReport freeCacheBatches(const std::vector<std::filesystem::path> &cacheBatches,
                               const std::filesystem::path &serverFolder, const std::filesystem::path &stateFolder);

} // namespace slatewick

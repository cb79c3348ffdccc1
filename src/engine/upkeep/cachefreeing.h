#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

class BatchLedger;

// What "Free cache space" did: the batches removed and, for each one kept, why.
struct FreeingReport {
    std::vector<std::filesystem::path> removed;
    std::int64_t freedBytes = 0; // of the files actually removed
    std::vector<std::string> kept; // "CARD02: Server batch: 1 file changed (DCIM/a.jpg)."

    // "Removed 2 batches (3.1 GB). Kept 1: ..."
    std::string sentence() const;
};

// Frees each cache batch whose record says it is on the server and whose server
// batch proves to hold it: there, on the file system its record names and not on
// the cache's, and, read back from storage, listing the same files as the cache
// batch's checksum file with every hash equal. The record says "freed" before
// anything is removed; then only the files the checksum file lists and the
// batch's own records go, and the folders left empty. Anything else stays and is
// named. Reads the server: never on the main thread.
FreeingReport freeCacheBatches(const BatchLedger &ledger, const std::vector<std::filesystem::path> &cacheBatches,
                               const std::filesystem::path &stateFolder);

// Removes a cache folder that no drain finished (a card pulled mid-copy): it must
// have no record, no checksum file and no manifest, and hold no batch at any depth.
// Gives why it stayed, or nothing when it went. Throws FileSystemError.
std::optional<std::string> removeIncompleteBatch(const BatchLedger &ledger, const std::filesystem::path &folder);

} // namespace slatewick

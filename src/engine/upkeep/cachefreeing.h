#pragma once

#include "engine/upkeep/batchchecking.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

class BatchLedger;

// A cache folder "Free cache space" left where it was, and why.
struct KeptBatch {
    enum class Why {
        noRecord,                // no record says it reached the server
        alreadyFreed,
        notOnServer,
        serverFolderUnavailable,
        serverBatchMissing,      // where: the server batch
        serverBatchElsewhere,    // not on the server folder's file system
        serverBatchOnCacheDisk,
        serverBatchDiffers,      // check: how
        serverBatchUnchecked,    // error: why
        recordChanged,           // while it was checked
        strayFilesStay,          // freed, but files not part of it stay; where: the folder
        failed,                  // error: why
        holdsBatch,              // an incomplete folder around or inside a batch
        holdsBatchRecords,
    };
    std::filesystem::path folder;
    Why why = Why::noRecord;
    std::filesystem::path where;
    BatchCheck check;
    std::exception_ptr error;
};

// What "Free cache space", or removing incomplete folders, did.
struct FreeingReport {
    bool incompleteFolders = false; // what was asked: folders no drain finished, not verified batches
    std::vector<std::filesystem::path> removed;
    std::int64_t freedBytes = 0; // of the files actually removed
    std::vector<KeptBatch> kept;
    std::exception_ptr stopped;  // a failure that ended it before every folder was looked at
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
std::optional<KeptBatch::Why> removeIncompleteBatch(const BatchLedger &ledger, const std::filesystem::path &folder);

} // namespace slatewick

#pragma once

#include "model/batchcheck.h"

#include <exception>
#include <filesystem>
#include <optional>

namespace slatewick {

// One batch of "Check again": compared with its checksum file, or why it could not be.
struct CheckedBatch {
    enum class Result { checked, failed, notReachable };
    Result result = Result::checked;
    std::filesystem::path folder;
    BatchCheck check;         // checked
    std::exception_ptr error; // failed: the checksum file unreadable or malformed, the folder unlisted
};

// "Check again": the cache batch (none once freed), then the server batch, where there is one.
struct Recheck {
    std::optional<CheckedBatch> cache;
    std::optional<CheckedBatch> server;
};

// Hashes every file of the batch and compares it with the checksum file and the
// batch's history. The two records, the history and hidden entries (which no
// drain copies) are not counted as extra.
// An unreadable or malformed checksum file throws, with the reason.
BatchCheck checkBatch(const std::filesystem::path &batchFolder);
// The same against another folder's checksum file (a server batch against its
// cache batch's); fromStorage drops each file's cached pages first, so the
// storage itself is read where the file system allows.
BatchCheck checkBatch(const std::filesystem::path &batchFolder, const std::filesystem::path &checksumFile,
                      bool fromStorage);

// Checks the cache batch (none once freed) and the server batch where it is there.
// Never throws: a failure is kept with its batch.
Recheck recheck(const std::optional<std::filesystem::path> &cacheBatch,
                const std::optional<std::filesystem::path> &serverBatch);

} // namespace slatewick

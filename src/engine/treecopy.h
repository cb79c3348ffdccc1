#pragma once

#include "engine/contenthash.h"
#include "engine/inventory.h"
#include "model/drainphase.h"

#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace slatewick {

class FairLock;
class ReadBack;

using ProgressUpdate = std::function<void(DrainPhase phase, double progress, const std::string &detail)>;

struct CopyOptions {
    // Held while each file is copied and released for its report.
    FairLock *lock = nullptr;
    // Each finished file is handed to it after its report.
    ReadBack *readBack = nullptr;
    // Whether a missing destination root is made. A drain makes its batch folder
    // first and then never makes it again through its path.
    bool makeRoot = true;
};

// Copies the listed files from one tree into another in listing order, one report
// per file ("N of M files"), and returns each file's XXH3-128 hash of the bytes read
// from the source, index-aligned with inventory.relativePaths. The bytes are hashed
// from the same buffer that is written, so the source is read once.
// Throws CancellationError before a file when stop was requested, and
// FileSystemError for a folder or file that cannot be made, read or written
// (an existing destination file included).
std::vector<ContentHash> copyTree(const std::filesystem::path &from, const std::filesystem::path &to,
                                  const Inventory &inventory, DrainPhase phase, const ProgressUpdate &update,
                                  std::stop_token stop, const CopyOptions &options = {});

} // namespace slatewick

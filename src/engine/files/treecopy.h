#pragma once

#include "engine/files/contenthash.h"
#include "engine/files/filestamp.h"
#include "engine/files/inventory.h"
#include "engine/drain/drainevent.h"
#include "model/drainphase.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace slatewick {

class ReadBack;

// Told once per file copied, as DrainEvent::Kind::fileCopied.
using ProgressUpdate = std::function<void(const DrainEvent &event)>;
// Bytes copied so far by one copyTree call, told after every block, inside large files too.
using ByteProgress = std::function<void(std::int64_t bytesDone)>;

struct CopyOptions {
    // Each finished file is handed to it after its report.
    ReadBack *readBack = nullptr;
    // Whether a missing destination root is made. A drain makes its batch folder
    // first and then never makes it again through its path.
    bool makeRoot = true;
    // A descriptor of the source root to read through (not owned), so the tree
    // copied is the one listed even if its path now leads elsewhere.
    int sourceFd = -1;
    // A descriptor of the destination root to write below (not owned), so
    // nothing is ever made through its path.
    int destinationFd = -1;
    // The source is a card: a file whose size, modification or change time moved
    // while it was read fails with DrainError::changedWhileRead.
    bool sourceIsCard = false;
    // Filled with each file's stamp as copied, index-aligned with the inventory.
    std::vector<FileStamp> *stamps = nullptr;
    const ByteProgress *bytes = nullptr;
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

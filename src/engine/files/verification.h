#pragma once

#include "engine/files/contenthash.h"
#include "engine/files/inventory.h"

#include <filesystem>
#include <string>
#include <vector>

namespace slatewick {

class ReadBack;

// Verifies a copy at root against the source's listing and content hashes.
// First the listing comparison: root is walked under inventory()'s rules and must
// give the same files, total and paths, else DrainError::verificationFailed(location)
// (a root that cannot be opened is DrainError::sourceUnavailable). source must be
// sorted, as inventory() gives it.
// Then every file's content as read back from storage (flushed, dropped from the
// page cache, read, hashed) must equal the source's hash, checked in listing
// order; a mismatch is verificationFailed(location), a read failure the
// FileSystemError. Finally the whole copy, folders included, is flushed to storage.
// overlapped: the read-back that ran beside the copy; its results are used where
// the file is unchanged since, so the outcome is the same as reading everything now.
void verifyCopy(const std::filesystem::path &root, const Inventory &source,
                const std::vector<ContentHash> &sourceHashes, const std::string &location,
                ReadBack *overlapped = nullptr);

} // namespace slatewick

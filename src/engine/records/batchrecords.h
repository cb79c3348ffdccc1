#pragma once

#include "engine/files/contenthash.h"
#include "engine/files/inventory.h"
#include "model/batchmanifest.h"

#include <filesystem>
#include <string>
#include <vector>

namespace slatewick {

inline constexpr const char *checksumFileName = "Slatewick-checksums.xxh128";

// The checksum file of a batch, in the form `xxh128sum --check` reads: one line per
// listed file, 32 hex digits, two spaces, the relative path. A name holding a
// newline takes the escaped form (a leading "\", "\\" and "\n" in the name).
// The two top-level files that the batch's own records replace are left out, since
// their card content no longer stands in the folder.
std::string checksumFileText(const Inventory &listing, const std::vector<ContentHash> &hashes);

// Writes the checksum file and then the manifest atomically into each folder in
// turn (the cache batch first). A failure is thrown; later folders get nothing.
void writeBatchRecords(const std::vector<std::filesystem::path> &batchFolders, const BatchManifest &manifest,
                       const std::string &checksums);

} // namespace slatewick

#pragma once

#include "platform/uniquefd.h"

#include <filesystem>
#include <optional>
#include <string>

namespace slatewick {

// Chooses and creates a batch folder in one step: root/name, else root/name-02,
// -03, ... -99, -100, ... (the suffix goes on the last component of a nested name).
// The last component is created exclusively, so two drains or two programs never
// share a folder: on a clash the next counter is tried. Missing parents are made.
// Each folder made is flushed in its parent before this returns.
// Throws FileSystemError when a folder cannot be made.
std::filesystem::path createUniqueDirectory(const std::filesystem::path &root, const std::string &name);

// Creates root/name (or name-02, -03, ...) below an open folder, never through
// its path, the last component exclusively. Gives the path and a descriptor.
struct CreatedFolder {
    std::filesystem::path path;
    UniqueFd fd;
};
CreatedFolder createUniqueDirectoryAt(int rootFd, const std::filesystem::path &root, const std::string &name);

// The first entry of an open folder named like one of a batch's own records
// (Slatewick-manifest.json, Slatewick-checksums.xxh128), compared without regard
// to case as a card's or a cache's file system may; nothing when there is none
// or the folder cannot be read.
std::optional<std::string> recordNamedEntry(int folderFd);

// The existing folder above the batch folder root/name that holds a batch's
// records, the first from the root down; nothing when none does. A batch inside
// another would be checked, freed and sent as part of it. Walks below the open
// root, following no link.
std::optional<std::filesystem::path> enclosingBatch(int rootFd, const std::filesystem::path &root,
                                                    const std::string &name);
std::optional<std::filesystem::path> enclosingBatch(const std::filesystem::path &root, const std::string &name);

} // namespace slatewick

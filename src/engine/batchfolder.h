#pragma once

#include "platform/uniquefd.h"

#include <filesystem>
#include <string>

namespace slatewick {

// Chooses and creates a batch folder in one step: root/name, else root/name-02,
// -03, ... -99, -100, ... (the suffix goes on the last component of a nested name).
// The last component is created exclusively, so two drains or two programs never
// share a folder: on a clash the next counter is tried. Missing parents are made.
// Throws FileSystemError when a folder cannot be made.
std::filesystem::path createUniqueDirectory(const std::filesystem::path &root, const std::string &name);

// Creates root/name (or name-02, -03, ...) below an open folder, never through
// its path, the last component exclusively. Gives the path and a descriptor.
struct CreatedFolder {
    std::filesystem::path path;
    UniqueFd fd;
};
CreatedFolder createUniqueDirectoryAt(int rootFd, const std::filesystem::path &root, const std::string &name);

} // namespace slatewick

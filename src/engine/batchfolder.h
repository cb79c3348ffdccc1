#pragma once

#include <filesystem>
#include <string>

namespace slatewick {

// Chooses and creates a batch folder in one step: root/name, else root/name-02,
// -03, ... -99, -100, ... (the suffix goes on the last component of a nested name).
// The last component is created exclusively, so two drains or two programs never
// share a folder: on a clash the next counter is tried. Missing parents are made.
// Throws FileSystemError when a folder cannot be made.
std::filesystem::path createUniqueDirectory(const std::filesystem::path &root, const std::string &name);

} // namespace slatewick

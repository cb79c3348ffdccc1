#pragma once

#include <optional>
#include <string>

namespace slatewick {

// The label written in the file system's superblock, read in-process with
// libblkid; absent when the device cannot be opened or carries no label.
std::optional<std::string> superblockLabel(const std::string &deviceNode);

} // namespace slatewick

#pragma once

#include "discovery/mountentry.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace slatewick {

// Reads the block-device mounts of a mountinfo file through libmount.
class MountTable {
public:
    static constexpr const char *processTable = "/proc/self/mountinfo";

    // The entries in table order; absent when the file cannot be parsed.
    static std::optional<std::vector<MountEntry>> blockDeviceMounts(const std::filesystem::path &mountInfo);
};

} // namespace slatewick

#pragma once

#include "discovery/diskinfo.h"

#include <filesystem>
#include <optional>
#include <string>

namespace slatewick {

// One mounted volume as the mount table and the device database describe it.
// A fact that could not be learned is absent, never guessed.
struct VolumeFacts {
    std::filesystem::path mountPoint;
    std::optional<std::string> name;
    std::optional<bool> removable;
    std::optional<bool> ejectable;
    std::string mountKey = {}; // see MountEntry::key()
    // The device's description where the source read it with the rest; else it is asked for by mount point.
    std::optional<DiskInfo> disk = {};

    bool operator==(const VolumeFacts &) const = default;
};

} // namespace slatewick

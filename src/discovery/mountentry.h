#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace slatewick {

// One block-device mount of the mount table.
struct MountEntry {
    int id = 0; // the kernel's mount id: a new mount at the same place gets a new one
    std::filesystem::path mountPoint;
    std::string source;
    std::string fileSystemType;
    std::string options; // the per-mount and per-superblock options, comma-separated
    dev_t device = 0;    // the block device, not the superblock's anonymous number

    // Hidden by its options or by being a read-only image file system.
    bool hiddenByTable() const;
    bool operator==(const MountEntry &) const = default;
};

} // namespace slatewick

#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace slatewick {

// One block-device mount of the mount table.
struct MountEntry {
    int id = 0; // the kernel's mount id, as the mount table shows it
    std::filesystem::path mountPoint;
    std::string source;
    std::string fileSystemType;
    std::string options; // the per-mount and per-superblock options, comma-separated
    dev_t device = 0;    // the block device, not the superblock's anonymous number
    // The kernel hands a freed id to the next mount, so a card put back at once
    // keeps its id; this one is never reused (0 where the kernel lacks it).
    std::uint64_t uniqueId = 0;

    // Tells this mount from any other that was or will be at the same place.
    std::string key() const;
    // Hidden by its options or by being a read-only image file system.
    bool hiddenByTable() const;
    bool operator==(const MountEntry &) const = default;
};

} // namespace slatewick

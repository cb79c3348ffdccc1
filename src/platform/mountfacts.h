#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace slatewick {

// The mount an open file or folder lies on, as the kernel names it.
struct MountFacts {
    std::uint64_t mountId = 0;       // may be reused once the mount is gone
    std::uint64_t uniqueMountId = 0; // never reused; 0 on kernels before 6.8
    std::string source;              // "/dev/sdc1", "user@nas:/photos", "tmpfs"
    std::string type;                // "ext4", "fuseblk", "fuse.sshfs", "nfs4"

    bool operator==(const MountFacts &) const = default;
};

// Reads the facts through the descriptor, so a path that now leads elsewhere
// cannot mislead. Cached attributes suffice: a stalled share does not block.
// Nothing when the kernel does not say.
std::optional<MountFacts> mountFactsOf(int fd);

// Whether the folder is the root of a mount (a card's, say), not a folder within one.
bool isMountRoot(int fd);

// Whether one syncfs() on this file system puts everything written on storage.
// FUSE, eCryptfs, overlay and network file systems may answer without reaching it.
bool syncfsReachesStorage(int fd);

// Whether the file system keeps a file's inode number for as long as the file
// lives. FAT and exFAT (in the kernel or through FUSE) number a file when it is
// looked up, and may number it anew once it has left the kernel's cache.
bool keepsInodeNumbers(int fd);

// The memory the storage under the descriptor lies in ("tmpfs", "ramfs", "zram",
// "RAM disk"), seen through an overlay to its upper layer and through a loop
// device to the file behind it; nothing for a disk, or when the kernel does not say.
// Memory does not survive a power cut.
std::optional<std::string> memoryStorageOf(int fd);

} // namespace slatewick

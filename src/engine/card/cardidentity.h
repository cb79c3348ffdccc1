#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace slatewick {

// Which card is mounted, as opposed to where. Cameras give every card the same
// label, so the mount path proves nothing: the file system's UUID or serial
// (two cards never share one), the root folder's device and inode, and the
// mount's never-reused id where the kernel has one tell two cards apart.
struct CardIdentity {
    std::uint64_t uniqueMountId = 0; // 0: unknown
    dev_t device = 0;
    ino_t rootInode = 0;
    std::string serial; // empty: unknown (a folder that is no mount of its own)

    // Taken through a descriptor of the card's root folder. Without unique
    // mount ids, as on kernels before 6.8, the serial must tell cards apart.
    static CardIdentity of(int rootFd, bool useUniqueMountIds = true);

    bool sameCard(const CardIdentity &other) const;
};

} // namespace slatewick

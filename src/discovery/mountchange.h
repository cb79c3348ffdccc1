#pragma once

#include "discovery/mountentry.h"

#include <vector>

namespace slatewick {

// One difference between two readings of the mount table.
struct MountChange {
    enum class Kind { unmounted, mounted };

    Kind kind;
    MountEntry entry;

    bool operator==(const MountChange &) const = default;
};

// What happened between two readings: first the entries that went away, in
// the old table's order, then the new ones, in the new table's order. An
// entry is the same only with the same mount id, place and device, so a
// remount at the same place is an unmount and a mount.
std::vector<MountChange> mountChanges(const std::vector<MountEntry> &before, const std::vector<MountEntry> &after);

} // namespace slatewick

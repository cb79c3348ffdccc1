#include "discovery/mountchange.h"

#include <algorithm>

namespace slatewick {

namespace {

bool sameMount(const MountEntry &left, const MountEntry &right)
{
    return left.id == right.id && left.uniqueId == right.uniqueId && left.mountPoint == right.mountPoint
        && left.device == right.device;
}

bool contains(const std::vector<MountEntry> &table, const MountEntry &entry)
{
    return std::any_of(table.begin(), table.end(), [&](const MountEntry &other) { return sameMount(other, entry); });
}

} // namespace

std::vector<MountChange> mountChanges(const std::vector<MountEntry> &before, const std::vector<MountEntry> &after)
{
    std::vector<MountChange> changes;
    for (const MountEntry &entry : before) {
        if (!contains(after, entry))
            changes.push_back(MountChange{MountChange::Kind::unmounted, entry});
    }
    for (const MountEntry &entry : after) {
        if (!contains(before, entry))
            changes.push_back(MountChange{MountChange::Kind::mounted, entry});
    }
    return changes;
}

} // namespace slatewick

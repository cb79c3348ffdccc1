#include "engine/card/cardidentity.h"

#include "platform/mountfacts.h"

#include <blkid/blkid.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

namespace slatewick {

namespace {

// Read from the superblock itself, so a card swapped in the same reader cannot
// be mistaken for the one before it.
std::string probedSerial(const std::string &deviceNode)
{
    blkid_probe probe = blkid_new_probe_from_filename(deviceNode.c_str());
    if (!probe)
        return {};
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_UUID);
    std::string serial;
    const char *value = nullptr;
    std::size_t length = 0;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "UUID", &value, &length) == 0 && value)
        serial = value;
    blkid_free_probe(probe);
    return serial;
}

// An ordinary user may not open the device; udev's record of it is readable by all.
std::string recordedSerial(dev_t device)
{
    std::ifstream record("/run/udev/data/b" + std::to_string(major(device)) + ":" + std::to_string(minor(device)));
    const std::string key = "E:ID_FS_UUID=";
    std::string line;
    while (std::getline(record, line)) {
        if (line.starts_with(key))
            return line.substr(key.size());
    }
    return {};
}

std::string serialOf(const MountFacts &mount)
{
    struct stat node {};
    if (!mount.source.starts_with("/dev/") || ::stat(mount.source.c_str(), &node) != 0 || !S_ISBLK(node.st_mode))
        return {};
    std::string serial = probedSerial(mount.source);
    if (serial.empty())
        serial = recordedSerial(node.st_rdev);
    return serial;
}

} // namespace

CardIdentity CardIdentity::of(int rootFd, bool useUniqueMountIds)
{
    CardIdentity identity;
    struct stat root {};
    if (::fstat(rootFd, &root) == 0) {
        identity.device = root.st_dev;
        identity.rootInode = root.st_ino;
    }
    if (const std::optional<MountFacts> mount = mountFactsOf(rootFd)) {
        if (useUniqueMountIds)
            identity.uniqueMountId = mount->uniqueMountId;
        identity.serial = serialOf(*mount);
    }
    return identity;
}

bool CardIdentity::sameCard(const CardIdentity &other) const
{
    if (uniqueMountId != 0 && other.uniqueMountId != 0 && uniqueMountId != other.uniqueMountId)
        return false;
    return device == other.device && rootInode == other.rootInode && serial == other.serial;
}

} // namespace slatewick

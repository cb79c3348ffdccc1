#include "discovery/systemvolumesource.h"

#include "discovery/blockdevice.h"
#include "discovery/mounttable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace slatewick {

SystemVolumeSource::SystemVolumeSource()
    : SystemVolumeSource(MountTable::processTable)
{
}

SystemVolumeSource::SystemVolumeSource(std::filesystem::path mountInfo)
    : m_mountInfo(std::move(mountInfo))
{
}

std::optional<std::vector<VolumeFacts>> SystemVolumeSource::mountedVolumes() const
{
    const std::optional<std::vector<MountEntry>> entries = MountTable::blockDeviceMounts(m_mountInfo);
    if (!entries)
        return std::nullopt;
    return volumesOf(*entries);
}

std::vector<VolumeFacts> SystemVolumeSource::volumesOf(const std::vector<MountEntry> &table) const
{
    std::vector<VolumeFacts> volumes;
    for (const MountEntry &entry : table) {
        if (entry.hiddenByTable())
            continue;
        VolumeFacts facts{entry.mountPoint, std::nullopt, std::nullopt, std::nullopt, entry.key(), DiskInfo{}};
        // A device udev cannot describe is still a volume, just one without known flags.
        if (const std::optional<BlockDevice> device = BlockDevice::open(entry.device)) {
            if (device->ignored())
                continue;
            const DeviceTraits traits = device->traits();
            facts.name = device->label();
            facts.removable = traits.removable();
            facts.ejectable = traits.ejectable();
            facts.disk = device->diskInfo();
        }
        volumes.push_back(std::move(facts));
    }
    return volumes;
}

namespace {

// The block device mounted at the path, from one statx call: far cheaper than
// reading the table again for every card. Absent when the kernel cannot say
// (no mount-root flag) or the file system reports an anonymous device number.
std::optional<dev_t> mountedBlockDevice(const std::filesystem::path &mountPoint)
{
    struct statx info {};
    if (::statx(AT_FDCWD, mountPoint.c_str(), AT_NO_AUTOMOUNT, STATX_BASIC_STATS, &info) != 0
        || !(info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) || !(info.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return std::nullopt;
    const std::string sysfs =
        "/sys/dev/block/" + std::to_string(info.stx_dev_major) + ":" + std::to_string(info.stx_dev_minor);
    if (info.stx_dev_major == 0 || ::access(sysfs.c_str(), F_OK) != 0)
        return std::nullopt;
    return makedev(info.stx_dev_major, info.stx_dev_minor);
}

} // namespace

DiskInfo SystemVolumeSource::diskInfo(const std::filesystem::path &mountPoint) const
{
    if (m_mountInfo == MountTable::processTable) {
        if (const std::optional<dev_t> device = mountedBlockDevice(mountPoint)) {
            const std::optional<BlockDevice> described = BlockDevice::open(*device);
            return described ? described->diskInfo() : DiskInfo{};
        }
    }
    return diskInfoFromTable(mountPoint);
}

DiskInfo SystemVolumeSource::diskInfoFromTable(const std::filesystem::path &mountPoint) const
{
    const std::optional<std::vector<MountEntry>> entries = MountTable::blockDeviceMounts(m_mountInfo);
    if (!entries)
        return {};
    // The last entry for a path is the mount on top, the one a reader of that path sees.
    const std::filesystem::path wanted = (mountPoint / "").lexically_normal();
    const MountEntry *top = nullptr;
    for (const MountEntry &entry : *entries) {
        if ((entry.mountPoint / "").lexically_normal() == wanted)
            top = &entry;
    }
    if (!top)
        return {};
    const std::optional<BlockDevice> device = BlockDevice::open(top->device);
    return device ? device->diskInfo() : DiskInfo{};
}

} // namespace slatewick

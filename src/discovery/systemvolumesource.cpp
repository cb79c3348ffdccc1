#include "discovery/systemvolumesource.h"

#include "discovery/blockdevice.h"
#include "discovery/mounttable.h"

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
    std::vector<VolumeFacts> volumes;
    for (const MountEntry &entry : *entries) {
        if (entry.hiddenByTable())
            continue;
        VolumeFacts facts{entry.mountPoint, std::nullopt, std::nullopt, std::nullopt};
        // A device udev cannot describe is still a volume, just one without known flags.
        if (const std::optional<BlockDevice> device = BlockDevice::open(entry.device)) {
            if (device->ignored())
                continue;
            const DeviceTraits traits = device->traits();
            facts.name = device->label();
            facts.removable = traits.removable();
            facts.ejectable = traits.ejectable();
        }
        volumes.push_back(std::move(facts));
    }
    return volumes;
}

DiskInfo SystemVolumeSource::diskInfo(const std::filesystem::path &mountPoint) const
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

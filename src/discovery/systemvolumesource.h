#pragma once

#include "discovery/volumesource.h"

#include <filesystem>

namespace slatewick {

// Volume facts from the mount table (libmount) and the device database
// (libudev, with sysfs and the superblock where udev has recorded nothing).
class SystemVolumeSource final : public VolumeSource {
public:
    SystemVolumeSource();
    // Reads another mountinfo file instead of the process's own table.
    explicit SystemVolumeSource(std::filesystem::path mountInfo);

    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override;
    // From udev and sysfs alone: the mounted file systems are never looked at.
    std::vector<VolumeFacts> volumesOf(const std::vector<MountEntry> &table) const override;
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const override;

private:
    DiskInfo diskInfoFromTable(const std::filesystem::path &mountPoint) const;

    std::filesystem::path m_mountInfo;
};

} // namespace slatewick

#pragma once

#include "discovery/volumesource.h"

#include <map>
#include <optional>
#include <vector>

namespace slatewick::testsupport {

// A volume source that reports what the test tells it.
class FakeVolumeSource final : public VolumeSource {
public:
    std::optional<std::vector<VolumeFacts>> volumes = std::vector<VolumeFacts>{};
    std::map<std::filesystem::path, DiskInfo> disks;

    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override { return volumes; }
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const override
    {
        const auto found = disks.find(mountPoint);
        return found == disks.end() ? DiskInfo{} : found->second;
    }
};

} // namespace slatewick::testsupport

#pragma once

#include "discovery/diskinfo.h"
#include "discovery/mountentry.h"
#include "discovery/volumefacts.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace slatewick {

// Where volume facts come from. The real one reads the mount table through
// libmount and the device database through libudev; tests may replace it.
class VolumeSource {
public:
    virtual ~VolumeSource() = default;

    // Non-hidden block-device mounts in table order; absent when the table cannot be read.
    virtual std::optional<std::vector<VolumeFacts>> mountedVolumes() const = 0;
    // The same, for the block-device mounts of a table just read elsewhere; a source
    // with a table of its own describes that one instead.
    virtual std::vector<VolumeFacts> volumesOf(const std::vector<MountEntry> &) const
    {
        return mountedVolumes().value_or(std::vector<VolumeFacts>{});
    }
    // The description of the device mounted there; empty on any failure.
    virtual DiskInfo diskInfo(const std::filesystem::path &mountPoint) const = 0;
};

} // namespace slatewick

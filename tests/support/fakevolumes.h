#pragma once

#include "discovery/volumesource.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace slatewick::testsupport {

// A mount table the test writes, safe to read from the model's worker threads.
class FakeVolumes final : public VolumeSource {
public:
    // A card in a reader slot at the given location, as a desktop mounts one.
    void mount(const std::filesystem::path &mountPoint, const std::string &name, const std::string &location,
               const std::string &vendor = "Acme", const std::string &model = "Reader")
    {
        add({mountPoint, name, true, true},
            {{"DeviceIdentifier", std::string("sdz1")}, {"DeviceVendor", vendor}, {"DeviceModel", model},
             {"BusProtocol", std::string("usb")}, {"DeviceLocation", location}});
    }
    void add(VolumeFacts facts, DiskInfo disk = {})
    {
        std::lock_guard lock(m_mutex);
        m_volumes.emplace_back(std::move(facts), std::move(disk));
    }
    void unmount(const std::filesystem::path &mountPoint)
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_volumes, [&](const auto &volume) { return volume.first.mountPoint == mountPoint; });
    }

    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override
    {
        std::lock_guard lock(m_mutex);
        std::vector<VolumeFacts> facts;
        for (const auto &volume : m_volumes)
            facts.push_back(volume.first);
        return facts;
    }
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const override
    {
        std::lock_guard lock(m_mutex);
        const auto found = std::find_if(m_volumes.begin(), m_volumes.end(),
                                        [&](const auto &volume) { return volume.first.mountPoint == mountPoint; });
        return found == m_volumes.end() ? DiskInfo{} : found->second;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<VolumeFacts, DiskInfo>> m_volumes;
};

} // namespace slatewick::testsupport

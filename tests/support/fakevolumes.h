#pragma once

#include "discovery/volumesource.h"

#include <map>
#include <mutex>
#include <vector>

namespace slatewick::testsupport {

// A mount table the test writes: each volume with its slot location.
class FakeVolumes final : public VolumeSource {
public:
    struct Volume {
        std::filesystem::path mountPoint;
        std::string name;
        std::string location;
        std::string vendor = "Acme";
        std::string model = "Reader";
        std::string mountKey = {};
    };

    void mount(Volume volume)
    {
        std::lock_guard lock(m_mutex);
        m_volumes.push_back(std::move(volume));
    }
    void unmount(const std::filesystem::path &mountPoint)
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_volumes, [&](const Volume &volume) { return volume.mountPoint == mountPoint; });
    }

    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override
    {
        std::lock_guard lock(m_mutex);
        std::vector<VolumeFacts> facts;
        for (const auto &volume : m_volumes)
            facts.push_back(VolumeFacts{volume.mountPoint, volume.name, true, true, volume.mountKey});
        return facts;
    }
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const override
    {
        std::lock_guard lock(m_mutex);
        for (const auto &volume : m_volumes) {
            if (volume.mountPoint == mountPoint)
                return DiskInfo{{"DeviceIdentifier", std::string("sdz1")},
                                {"DeviceVendor", volume.vendor},
                                {"DeviceModel", volume.model},
                                {"BusProtocol", std::string("usb")},
                                {"DeviceLocation", volume.location}};
        }
        return {};
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Volume> m_volumes;
};

} // namespace slatewick::testsupport

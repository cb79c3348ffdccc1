#pragma once

#include "support/loopdevice.h"
#include "support/mountnamespace.h"

#include <filesystem>
#include <memory>
#include <string>

namespace slatewick::testsupport {

// A labelled ext4 image on a loop device, mounted at <folder>/<name> inside
// the process's private mount namespace. Check refusal() and failure() after
// construction: a refusal is the kernel's, a failure is the test machine's.
class LoopVolume {
public:
    LoopVolume(const std::filesystem::path &folder, const std::string &name, const std::string &label);

    const std::string &refusal() const { return m_refusal; }
    const std::string &failure() const { return m_failure; }
    const std::filesystem::path &mountPoint() const { return m_mountPoint; }
    const LoopDevice &loop() const { return *m_loop; }
    void unmount() { m_mount->unmount(); }
    // Unmounts and mounts the same device again at the same place, as a card taken out and put back.
    std::string remount();

private:
    std::filesystem::path m_mountPoint;
    std::unique_ptr<LoopDevice> m_loop;
    std::unique_ptr<ScopedMount> m_mount;
    std::string m_refusal;
    std::string m_failure;
};

} // namespace slatewick::testsupport

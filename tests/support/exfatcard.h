#pragma once

#include "support/fusemount.h"
#include "support/loopdevice.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace slatewick::testsupport {

// A file of the given size holding an exFAT file system, empty or with a copy of
// the contents folder written through exfat-fuse; empty on success, else why not.
std::string makeExFatImage(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                           const std::filesystem::path &contents = {});

// A card image on a loop device mounted through exfat-fuse (type fuseblk), as a
// desktop shows a camera card where the kernel has no exFAT driver. Mounts in
// the private mount namespace; check error() after construction.
class ExFatCardMount {
public:
    ExFatCardMount(const std::filesystem::path &image, const std::filesystem::path &mountPoint);

    const std::string &error() const { return m_error; }
    const LoopDevice &loop() const { return m_loop; }
    // Its daemon stopped, every call into the card blocks until it is resumed.
    void stop() { m_mount.stop(); }

private:
    LoopDevice m_loop;
    // Declared after the loop device so it is unmounted before the device goes.
    FuseMount m_mount;
    std::string m_error;
};

} // namespace slatewick::testsupport

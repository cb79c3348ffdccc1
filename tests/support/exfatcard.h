#pragma once

#include "support/fusemount.h"
#include "support/loopdevice.h"

#include <cstdint>
#include <filesystem>
#include <memory>
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
    ExFatCardMount(const ExFatCardMount &) = delete;
    ExFatCardMount &operator=(const ExFatCardMount &) = delete;

    bool mounted() const { return m_mount && m_mount->mounted(); }
    const std::string &error() const { return m_error; }
    const LoopDevice &loop() const { return m_loop; }
    // The daemon, to stop or kill it like a card that stops answering.
    FuseMount &fuse() { return *m_mount; }
    // Lazily, once the daemon has written everything to the image.
    void unmount() { m_mount.reset(); }

private:
    LoopDevice m_loop;
    // Declared after the loop device so it is unmounted before the device goes.
    std::unique_ptr<FuseMount> m_mount;
    std::string m_error;
};

} // namespace slatewick::testsupport

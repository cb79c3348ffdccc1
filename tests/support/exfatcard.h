#pragma once

#include "support/fusemount.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace slatewick::testsupport {

// A card image on a loop device mounted through exfat-fuse (type fuseblk), as a
// desktop shows a camera card where the kernel has no exFAT driver. Mounts in
// the private mount namespace; check error() after construction.
class ExFatCardMount {
public:
    ExFatCardMount(const std::filesystem::path &image, const std::filesystem::path &mountPoint)
        : m_loop(image)
    {
        // -d keeps the daemon in the foreground, as our own child.
        m_error = m_loop.attached()
                      ? m_mount.mount("mount.exfat-fuse", {"-d", m_loop.node().string(), mountPoint.string()},
                                      mountPoint)
                      : m_loop.error();
    }

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

// A file of the given size holding an exFAT file system, empty or with a copy of
// the contents folder written through exfat-fuse; empty on success, else why not.
inline std::string makeExFatImage(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                                  const std::filesystem::path &contents = {})
{
    // A file of holes only, of the given size.
    std::string failure = runProgram("truncate", {"--size=" + std::to_string(bytes), image.string()});
    if (failure.empty())
        failure = runProgram("mkfs.exfat", {"-L", label, image.string()});
    if (!failure.empty() || contents.empty())
        return failure;
    const std::filesystem::path folder = image.string() + ".filling";
    std::error_code error;
    std::filesystem::create_directory(folder, error);
    {
        ExFatCardMount card(image, folder);
        failure = card.error();
        // exFAT keeps no owners or modes, so only the data and the tree are copied.
        if (failure.empty())
            std::filesystem::copy(contents, folder, std::filesystem::copy_options::recursive, error);
        if (failure.empty() && error)
            failure = "Could not copy " + contents.string() + " onto the exFAT image: " + error.message();
    }
    std::filesystem::remove(folder, error);
    return failure;
}

} // namespace slatewick::testsupport

#pragma once

#include "platform/uniquefd.h"
#include "support/mountnamespace.h"
#include "support/programprocess.h"

#include <fcntl.h>
#include <linux/blkpg.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace slatewick::testsupport {

namespace detail {

inline std::string loopReason(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace detail

// Empty where this process may attach loop devices, else the kernel's reason.
inline std::string loopDeviceRefusal()
{
    const UniqueFd control(::open("/dev/loop-control", O_RDWR | O_CLOEXEC));
    if (!control)
        return detail::loopReason("Could not open /dev/loop-control");
    if (::ioctl(control.get(), LOOP_CTL_GET_FREE) < 0)
        return detail::loopReason("Could not find a free loop device");
    return {};
}

// An image file attached to a free loop device for the object's lifetime: the
// kernel detaches it once the last user closes it, be it this object or a mount.
// Check error() after construction: it holds the kernel's reason for a refusal.
class LoopDevice {
public:
    explicit LoopDevice(const std::filesystem::path &image, bool scanPartitions = false)
    {
        const UniqueFd backing(::open(image.c_str(), O_RDWR | O_CLOEXEC));
        if (m_error = backing ? loopDeviceRefusal() : detail::loopReason("Could not open " + image.string());
            !m_error.empty())
            return;
        const UniqueFd control(::open("/dev/loop-control", O_RDWR | O_CLOEXEC));
        // Another process may take the free device between asking and configuring it, so try a few.
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int number = ::ioctl(control.get(), LOOP_CTL_GET_FREE);
            const std::string node = "/dev/loop" + std::to_string(number);
            UniqueFd device(number < 0 ? -1 : ::open(node.c_str(), O_RDWR | O_CLOEXEC));
            loop_config config{};
            config.fd = static_cast<std::uint32_t>(backing.get());
            // Detached by the kernel once unused, even if the test process dies.
            config.info.lo_flags = LO_FLAGS_AUTOCLEAR | (scanPartitions ? LO_FLAGS_PARTSCAN : 0);
            if (device && ::ioctl(device.get(), LOOP_CONFIGURE, &config) == 0) {
                m_fd = std::move(device);
                m_number = number;
                return;
            }
            if (errno != EBUSY) {
                m_error = detail::loopReason(number < 0 ? "Could not find a free loop device"
                                                        : "Could not attach " + node);
                return;
            }
        }
        m_error = "Could not attach a loop device: every free one was taken by another process";
    }

    bool attached() const { return m_number >= 0; }
    const std::string &error() const { return m_error; }
    std::string name() const { return "loop" + std::to_string(m_number); }
    std::filesystem::path node() const { return "/dev/" + name(); }
    // The node of partition 1, 2, ... when partitions were scanned.
    std::filesystem::path partitionNode(int partition) const
    {
        return node().string() + "p" + std::to_string(partition);
    }

    // Declares a partition by hand, so no partition-table support is needed
    // in the kernel; the device must have been attached with partition scanning.
    std::string addPartition(int number, std::int64_t offset, std::int64_t length) const
    {
        blkpg_partition partition{};
        partition.start = offset;
        partition.length = length;
        partition.pno = number;
        blkpg_ioctl_arg request{BLKPG_ADD_PARTITION, 0, sizeof partition, &partition};
        if (::ioctl(m_fd.get(), BLKPG, &request) != 0)
            return detail::loopReason("Could not add partition " + std::to_string(number) + " to " + node().string());
        return {};
    }

private:
    UniqueFd m_fd;
    int m_number = -1;
    std::string m_error;
};

// A file of the given size holding an ext4 file system, empty or with a copy of
// the contents folder; empty on success, else why not.
inline std::string makeExt4Image(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                                 const std::filesystem::path &contents = {})
{
    // Given the size, mkfs.ext4 makes the file.
    std::vector<std::string> arguments{"-q", "-F", "-L", label, image.string(), std::to_string(bytes / 1024) + "k"};
    if (!contents.empty())
        arguments.insert(arguments.begin(), {"-d", contents.string()});
    return runProgram("mkfs.ext4", arguments);
}

// A labelled ext4 card image, holding a copy of the contents folder, on a loop
// device that is mounted on request. Mount only inside the private mount
// namespace; check error() after construction.
class Ext4Card {
public:
    Ext4Card(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
             const std::filesystem::path &contents = {})
    {
        if (m_error = makeExt4Image(image, label, bytes, contents); !m_error.empty())
            return;
        m_loop = std::make_unique<LoopDevice>(image);
        m_error = m_loop->error();
    }

    const std::string &error() const { return m_error; }
    const LoopDevice &loop() const { return *m_loop; }
    const std::filesystem::path &mountPoint() const { return m_mountPoint; }

    // Mounts the card, making the mount point; empty or why not.
    std::string mount(const std::filesystem::path &mountPoint)
    {
        m_mount.reset();
        m_mountPoint = mountPoint;
        std::error_code ignored;
        std::filesystem::create_directories(mountPoint, ignored);
        m_mount = std::make_unique<ScopedMount>(m_loop->node(), mountPoint, "ext4");
        return m_mount->error();
    }

    // Lazily, as a desktop does when a reader is pulled out.
    void unmount() { m_mount.reset(); }

    // Unmounts and detaches the device, as a reader unplugged.
    void unplug()
    {
        m_mount.reset();
        m_loop.reset();
    }

private:
    std::unique_ptr<LoopDevice> m_loop;
    std::unique_ptr<ScopedMount> m_mount;
    std::filesystem::path m_mountPoint;
    std::string m_error;
};

} // namespace slatewick::testsupport

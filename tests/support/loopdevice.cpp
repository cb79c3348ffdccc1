#include "support/loopdevice.h"

#include "support/programprocess.h"

#include <fcntl.h>
#include <linux/blkpg.h>
#include <linux/loop.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace slatewick::testsupport {

namespace {

std::string reason(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

LoopDevice::LoopDevice(const std::filesystem::path &image, bool scanPartitions)
{
    const UniqueFd backing(::open(image.c_str(), O_RDWR | O_CLOEXEC));
    if (m_error = backing ? loopDeviceRefusal() : reason("Could not open " + image.string()); !m_error.empty())
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
            m_error = reason(number < 0 ? "Could not find a free loop device" : "Could not attach " + node);
            return;
        }
    }
    m_error = "Could not attach a loop device: every free one was taken by another process";
}

std::string LoopDevice::addPartition(int number, std::int64_t offset, std::int64_t length) const
{
    blkpg_partition partition{};
    partition.start = offset;
    partition.length = length;
    partition.pno = number;
    blkpg_ioctl_arg request{BLKPG_ADD_PARTITION, 0, sizeof partition, &partition};
    if (::ioctl(m_fd.get(), BLKPG, &request) != 0)
        return reason("Could not add partition " + std::to_string(number) + " to " + node().string());
    return {};
}

std::string loopDeviceRefusal()
{
    const UniqueFd control(::open("/dev/loop-control", O_RDWR | O_CLOEXEC));
    if (!control)
        return reason("Could not open /dev/loop-control");
    if (::ioctl(control.get(), LOOP_CTL_GET_FREE) < 0)
        return reason("Could not find a free loop device");
    return {};
}

std::string makeExt4Image(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                          const std::filesystem::path &contents)
{
    // Given the size, mkfs.ext4 makes the file.
    std::vector<std::string> arguments{"-q", "-F", "-L", label, image.string(), std::to_string(bytes / 1024) + "k"};
    if (!contents.empty())
        arguments.insert(arguments.begin(), {"-d", contents.string()});
    return runProgram("mkfs.ext4", arguments);
}

Ext4Card::Ext4Card(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                   const std::filesystem::path &contents)
{
    if (m_error = makeExt4Image(image, label, bytes, contents); !m_error.empty())
        return;
    m_loop = std::make_unique<LoopDevice>(image);
    m_error = m_loop->error();
}

std::string Ext4Card::mount(const std::filesystem::path &mountPoint)
{
    m_mount.reset();
    m_mountPoint = mountPoint;
    std::error_code ignored;
    std::filesystem::create_directories(mountPoint, ignored);
    m_mount = std::make_unique<ScopedMount>(m_loop->node(), mountPoint, "ext4");
    return m_mount->error();
}

void Ext4Card::unplug()
{
    m_mount.reset();
    m_loop.reset();
}

} // namespace slatewick::testsupport

#pragma once

#include "platform/uniquefd.h"
#include "support/mountnamespace.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace slatewick::testsupport {

// An image file attached to a free loop device for the object's lifetime: the
// kernel detaches it once the last user closes it, be it this object or a mount.
// Check error() after construction: it holds the kernel's reason for a refusal.
class LoopDevice {
public:
    explicit LoopDevice(const std::filesystem::path &image, bool scanPartitions = false);

    bool attached() const { return m_number >= 0; }
    const std::string &error() const { return m_error; }
    std::string name() const { return "loop" + std::to_string(m_number); }
    std::filesystem::path node() const { return "/dev/" + name(); }
    // The node of partition 1, 2, ... when partitions were scanned.
    std::filesystem::path partitionNode(int partition) const { return node().string() + "p" + std::to_string(partition); }
    // Declares a partition by hand, so no partition-table support is needed
    // in the kernel; the device must have been attached with partition scanning.
    std::string addPartition(int number, std::int64_t offset, std::int64_t length) const;

private:
    UniqueFd m_fd;
    int m_number = -1;
    std::string m_error;
};

// Empty where this process may attach loop devices, else the kernel's reason.
std::string loopDeviceRefusal();

// A file of the given size holding an ext4 file system, empty or with a copy of
// the contents folder; empty on success, else why not.
std::string makeExt4Image(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                          const std::filesystem::path &contents = {});

// A labelled ext4 card image, holding a copy of the contents folder, on a loop
// device that is mounted on request. Mount only inside the private mount
// namespace; check error() after construction.
class Ext4Card {
public:
    Ext4Card(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
             const std::filesystem::path &contents = {});

    const std::string &error() const { return m_error; }
    const LoopDevice &loop() const { return *m_loop; }
    const std::filesystem::path &mountPoint() const { return m_mountPoint; }
    // Mounts the card, making the mount point; empty or why not.
    std::string mount(const std::filesystem::path &mountPoint);
    // Lazily, as a desktop does when a reader is pulled out.
    void unmount() { m_mount.reset(); }
    // Unmounts and detaches the device, as a reader unplugged.
    void unplug();

private:
    std::unique_ptr<LoopDevice> m_loop;
    std::unique_ptr<ScopedMount> m_mount;
    std::filesystem::path m_mountPoint;
    std::string m_error;
};

} // namespace slatewick::testsupport

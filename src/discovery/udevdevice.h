#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

struct udev_device;

namespace slatewick {

// A shared reference to one device of libudev. Works without a running udev
// daemon: sysfs attributes and paths are always there, the ID_* properties
// only when udev has recorded them.
class UdevDevice {
public:
    static std::optional<UdevDevice> blockDevice(dev_t number);

    UdevDevice(const UdevDevice &other);
    UdevDevice &operator=(const UdevDevice &other);
    ~UdevDevice();

    std::string sysname() const;
    std::string devpath() const;
    std::string subsystem() const;
    std::string devtype() const;
    std::string devnode() const;
    // Absent when missing or empty.
    std::optional<std::string> property(const char *name) const;
    std::optional<std::string> attribute(const char *name) const;

    std::optional<UdevDevice> parent() const;
    // The whole disk of a partition, or the device itself.
    UdevDevice wholeDisk() const;

private:
    explicit UdevDevice(udev_device *device); // takes over one reference

    udev_device *m_device;
};

} // namespace slatewick

#include "discovery/udevdevice.h"

#include <libudev.h>

#include <utility>

namespace slatewick {

namespace {

std::string orEmpty(const char *value)
{
    return value ? value : "";
}

std::optional<std::string> nonEmpty(const char *value)
{
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

std::optional<UdevDevice> UdevDevice::blockDevice(dev_t number)
{
    udev *context = udev_new();
    if (!context)
        return std::nullopt;
    udev_device *device = udev_device_new_from_devnum(context, 'b', number);
    udev_unref(context); // the device keeps its own reference to the context
    if (!device)
        return std::nullopt;
    return UdevDevice(device);
}

UdevDevice::UdevDevice(udev_device *device)
    : m_device(device)
{
}

UdevDevice::UdevDevice(const UdevDevice &other)
    : m_device(udev_device_ref(other.m_device))
{
}

UdevDevice &UdevDevice::operator=(const UdevDevice &other)
{
    udev_device *previous = std::exchange(m_device, udev_device_ref(other.m_device));
    udev_device_unref(previous);
    return *this;
}

UdevDevice::~UdevDevice()
{
    udev_device_unref(m_device);
}

std::string UdevDevice::sysname() const
{
    return orEmpty(udev_device_get_sysname(m_device));
}

std::string UdevDevice::devpath() const
{
    return orEmpty(udev_device_get_devpath(m_device));
}

std::string UdevDevice::subsystem() const
{
    return orEmpty(udev_device_get_subsystem(m_device));
}

std::string UdevDevice::devtype() const
{
    return orEmpty(udev_device_get_devtype(m_device));
}

std::string UdevDevice::devnode() const
{
    return orEmpty(udev_device_get_devnode(m_device));
}

std::optional<std::string> UdevDevice::property(const char *name) const
{
    return nonEmpty(udev_device_get_property_value(m_device, name));
}

std::optional<std::string> UdevDevice::attribute(const char *name) const
{
    return nonEmpty(udev_device_get_sysattr_value(m_device, name));
}

std::optional<UdevDevice> UdevDevice::parent() const
{
    // The parent is owned by its child; take a reference of our own.
    udev_device *parent = udev_device_get_parent(m_device);
    if (!parent)
        return std::nullopt;
    return UdevDevice(udev_device_ref(parent));
}

UdevDevice UdevDevice::wholeDisk() const
{
    if (devtype() != "partition")
        return *this;
    udev_device *disk = udev_device_get_parent_with_subsystem_devtype(m_device, "block", "disk");
    return disk ? UdevDevice(udev_device_ref(disk)) : *this;
}

} // namespace slatewick

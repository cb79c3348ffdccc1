#include "discovery/volumemonitor.h"

#include "discovery/blockdevice.h"
#include "discovery/carddiscovery.h"
#include "discovery/mountchange.h"
#include "discovery/mounttable.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <libmount.h>

#include <algorithm>
#include <utility>

namespace slatewick {

namespace {

bool hidden(const MountEntry &entry)
{
    if (entry.hiddenByTable())
        return true;
    const std::optional<BlockDevice> device = BlockDevice::open(entry.device);
    return device && device->ignored();
}

} // namespace

VolumeMonitor::VolumeMonitor(MountHandler onMount, UnmountHandler onUnmount,
                             std::shared_ptr<const CardDiscovery> discovery, QObject *parent)
    : QObject(parent)
    , m_onMount(std::move(onMount))
    , m_onUnmount(std::move(onUnmount))
    , m_discovery(discovery ? std::move(discovery) : std::make_shared<const CardDiscovery>())
{
}

VolumeMonitor::~VolumeMonitor()
{
    delete m_notifier; // before the descriptor it watches goes away
    if (m_monitor)
        mnt_unref_monitor(m_monitor);
}

void VolumeMonitor::start()
{
    if (m_monitor)
        return;
    m_monitor = mnt_new_monitor();
    if (!m_monitor)
        return;
    // Without a readable table or a monitor descriptor there is nothing to report, and discovery reports no failures.
    if (mnt_monitor_enable_kernel(m_monitor, 1) != 0)
        return;
    const int descriptor = mnt_monitor_get_fd(m_monitor);
    if (descriptor < 0)
        return;
    m_volumes = visibleVolumes(MountTable::blockDeviceMounts(MountTable::processTable).value_or(std::vector<MountEntry>{}));
    m_notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &VolumeMonitor::tableChanged);
}

// The kernel folds several changes into one wake-up, so the table is read
// again and compared with the last reading instead of counting events.
void VolumeMonitor::tableChanged()
{
    mnt_monitor_event_cleanup(m_monitor);
    if (m_onTableChanged)
        QMetaObject::invokeMethod(this, [this] { m_onTableChanged(); }, Qt::QueuedConnection);
    const std::optional<std::vector<MountEntry>> table = MountTable::blockDeviceMounts(MountTable::processTable);
    if (!table)
        return; // the next change reads it again
    std::vector<MountEntry> volumes = visibleVolumes(*table);
    for (const MountChange &change : mountChanges(m_volumes, volumes)) {
        const std::filesystem::path mountPoint = change.entry.mountPoint;
        const std::string key = change.entry.key();
        if (change.kind == MountChange::Kind::unmounted) {
            QMetaObject::invokeMethod(this, [this, mountPoint, key] { m_onUnmount(mountPoint, key); },
                                      Qt::QueuedConnection);
        } else if (std::optional<InsertedCard> card = m_discovery->make(mountPoint, std::nullopt)) {
            card->mountKey = key;
            QMetaObject::invokeMethod(this, [this, card = std::move(*card)] { m_onMount(card); }, Qt::QueuedConnection);
        }
    }
    m_volumes = std::move(volumes);
}

// Volumes already seen keep their verdict; only new ones are looked up in udev.
std::vector<MountEntry> VolumeMonitor::visibleVolumes(const std::vector<MountEntry> &table) const
{
    std::vector<MountEntry> visible;
    for (const MountEntry &entry : table) {
        const bool known = std::find(m_volumes.begin(), m_volumes.end(), entry) != m_volumes.end();
        if (known || !hidden(entry))
            visible.push_back(entry);
    }
    return visible;
}

} // namespace slatewick

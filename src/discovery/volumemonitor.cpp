#include "discovery/volumemonitor.h"

#include "discovery/mountchange.h"
#include "discovery/mounttable.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <libmount.h>

#include <utility>

namespace slatewick {

namespace {

std::vector<MountEntry> visibleVolumes(std::vector<MountEntry> table)
{
    std::erase_if(table, [](const MountEntry &entry) { return entry.hiddenByTable(); });
    return table;
}

} // namespace

VolumeMonitor::VolumeMonitor(MountHandler onMount, UnmountHandler onUnmount, QObject *parent)
    : QObject(parent)
    , m_onMount(std::move(onMount))
    , m_onUnmount(std::move(onUnmount))
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
    std::optional<std::vector<MountEntry>> table = MountTable::blockDeviceMounts(MountTable::processTable);
    std::vector<MountEntry> volumes = table ? visibleVolumes(std::move(*table)) : m_volumes;
    if (m_onTableChanged)
        QMetaObject::invokeMethod(this, [this, volumes] { m_onTableChanged(volumes); }, Qt::QueuedConnection);
    if (!table)
        return; // the next change reads it again
    for (const MountChange &change : mountChanges(m_volumes, volumes)) {
        if (change.kind == MountChange::Kind::unmounted) {
            QMetaObject::invokeMethod(
                this, [this, mountPoint = change.entry.mountPoint, key = change.entry.key()] { m_onUnmount(mountPoint, key); },
                Qt::QueuedConnection);
        } else {
            QMetaObject::invokeMethod(this, [this, entry = change.entry] { m_onMount(entry); }, Qt::QueuedConnection);
        }
    }
    m_volumes = std::move(volumes);
}

} // namespace slatewick

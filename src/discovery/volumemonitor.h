#pragma once

#include "discovery/mountentry.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

struct libmnt_monitor;
class QSocketNotifier;

namespace slatewick {

// Reports every volume that mounts or unmounts, on the main thread, each in
// a later turn of the event loop and in the order the changes were seen.
// Volumes hidden by the table are left out; nothing else is filtered, and
// nothing is looked up about a volume here, since a card that is stuck would
// hold up the main thread: describing it is the receiver's business, off that
// thread. Nothing is delivered once the monitor is gone.
class VolumeMonitor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VolumeMonitor)

public:
    using MountHandler = std::function<void(const MountEntry &)>;
    using UnmountHandler = std::function<void(const std::filesystem::path &, const std::string &mountKey)>;
    // The visible volumes as just read.
    using TableHandler = std::function<void(const std::vector<MountEntry> &)>;

    VolumeMonitor(MountHandler onMount, UnmountHandler onUnmount, QObject *parent = nullptr);
    ~VolumeMonitor() override;

    // Starts watching the mount table; later calls do nothing.
    void start();
    // Called on every change of the table, network and FUSE mounts included,
    // before the mounts and unmounts it brings.
    void setTableChangedHandler(TableHandler handler) { m_onTableChanged = std::move(handler); }
    // The visible volumes at the last reading.
    const std::vector<MountEntry> &volumes() const { return m_volumes; }

private:
    void tableChanged();

    MountHandler m_onMount;
    UnmountHandler m_onUnmount;
    TableHandler m_onTableChanged;
    libmnt_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    std::vector<MountEntry> m_volumes; // the visible volumes at the last reading
};

} // namespace slatewick

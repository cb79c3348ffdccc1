#pragma once

#include "discovery/mountentry.h"
#include "model/insertedcard.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

struct libmnt_monitor;
class QSocketNotifier;

namespace slatewick {

class CardDiscovery;

// Reports every volume that mounts or unmounts, on the main thread, each in
// a later turn of the event loop and in the order the changes were seen.
// Hidden volumes are left out, as discovery leaves them out; nothing else
// is filtered. Nothing is delivered once the monitor is gone.
class VolumeMonitor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VolumeMonitor)

public:
    using MountHandler = std::function<void(const InsertedCard &)>;
    using UnmountHandler = std::function<void(const std::filesystem::path &, const std::string &mountKey)>;

    VolumeMonitor(MountHandler onMount, UnmountHandler onUnmount,
                  std::shared_ptr<const CardDiscovery> discovery = {}, QObject *parent = nullptr);
    ~VolumeMonitor() override;

    // Starts watching the mount table; later calls do nothing.
    void start();
    // Called on every change of the table, network and FUSE mounts included.
    void setTableChangedHandler(std::function<void()> handler) { m_onTableChanged = std::move(handler); }

private:
    void tableChanged();
    std::vector<MountEntry> visibleVolumes(const std::vector<MountEntry> &table) const;

    MountHandler m_onMount;
    UnmountHandler m_onUnmount;
    std::function<void()> m_onTableChanged;
    std::shared_ptr<const CardDiscovery> m_discovery;
    libmnt_monitor *m_monitor = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    std::vector<MountEntry> m_volumes; // the visible volumes at the last reading
};

} // namespace slatewick

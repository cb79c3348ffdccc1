#pragma once

#include "platform/uniquefd.h"

#include <QObject>

#include <chrono>
#include <filesystem>

class QLocalServer;

namespace slatewick {

// One running copy per user session: launch at login and a start by hand must
// not both drain the same card. The first copy holds a lock (released by the
// kernel however the program ends, so a killed copy leaves nothing that blocks)
// and listens on a local socket beside it; a later start asks it to show itself.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(std::filesystem::path folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR, else a folder of the user's own under the temporary folder.
    static std::filesystem::path sessionFolder();

    // True when no other copy runs; this one then listens for later starts.
    bool claim();
    // From a later start: asks the running copy to show its dashboard.
    // True once the request was handed over within the limit.
    bool askRunningCopyToShow(std::chrono::milliseconds limit) const;

signals:
    void showRequested();

private:
    const std::filesystem::path m_folder;
    UniqueFd m_lock;
    QLocalServer *m_server = nullptr;
};

} // namespace slatewick

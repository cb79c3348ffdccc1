#pragma once

#include "engine/records/serverfolder.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>

namespace slatewick {

class ReportChannel;

// Keeps the last answer to "is the server folder there, on its own file
// system?". Each check runs on a thread of its own, since a stalled share
// blocks whoever looks at it; the main thread only ever reads the last
// answer, and a check that has not answered counts as not there.
class ServerFolderWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerFolderWatch)

public:
    using Availability = ServerFolder::Availability;

    ServerFolderWatch(std::filesystem::path stateFolder, QObject *parent = nullptr);
    // Leaves any stuck check behind; its answer goes nowhere.
    ~ServerFolderWatch() override;

    // A new folder: forgets the last answer. chosen: picked by the user just now,
    // so the file system it lies on is recorded as the server's.
    void setFolder(const std::filesystem::path &folder, bool chosen);
    // Looks again, unless a check is still out.
    void check();

    // Nothing until the first check has answered.
    std::optional<Availability> availability() const { return m_availability; }
    bool available() const { return m_availability == Availability::available; }

signals:
    void availabilityChanged();

private:
    void start(bool record);
    void answer(std::uint64_t generation, Availability availability);

    const std::filesystem::path m_stateFolder;
    std::filesystem::path m_folder;
    std::optional<Availability> m_availability;
    // Carries each answer back, and nothing once the watch is gone.
    std::shared_ptr<ReportChannel> m_channel;
    std::uint64_t m_generation = 0;
    bool m_checking = false;
    bool m_checkAgain = false;
    QTimer m_timer;
};

} // namespace slatewick

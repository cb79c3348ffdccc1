#pragma once

#include "coordinator/backgroundtask.h"
#include "engine/records/serverfolder.h"

#include <QObject>
#include <QTimer>

#include <filesystem>
#include <optional>

namespace slatewick {

// Keeps the last answer to "is the server folder there, on its own file
// system?". Checks run on a background task, since a stalled share blocks
// whoever looks at it; the main thread only ever reads the last answer, and
// a check that has not answered counts as not there.
class ServerFolderWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerFolderWatch)

public:
    using Availability = ServerFolder::Availability;

    ServerFolderWatch(std::filesystem::path stateFolder, QObject *parent = nullptr);
    // Leaves any stuck check behind; its answer goes nowhere.
    ~ServerFolderWatch() override = default;

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
    struct Answer {
        std::filesystem::path folder;
        bool recorded;
        Availability availability;
    };

    void answer(const Answer &answered);
    void restartCheck();

    const std::filesystem::path m_stateFolder;
    std::filesystem::path m_folder;
    std::optional<Availability> m_availability;
    // Chosen by the user and not yet recorded by a check that answered.
    bool m_record = false;
    // Made anew for each folder, so a check stuck on the last one holds up none for this one.
    std::optional<BackgroundTask<Answer>> m_check;
    QTimer m_timer;
};

} // namespace slatewick

#pragma once

#include "coordinator/backgroundtask.h"
#include "coordinator/drainnotice.h"
#include "model/cardactivity.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace slatewick {

class DrainEngine;
class ReportChannel;

// Finishes server copies by itself. Each pass runs as a background task and
// sends the pending batches in the order they were cached, each as a drain would;
// a pass starts on any mount change, on "Try now", and on a timer that backs off
// from a few seconds to five minutes while the server stays away. Batches are
// known by their records' ids.
class PendingSender final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PendingSender)

public:
    // The row of a batch as it is now, and what the user should know about it.
    using RowWriter =
        std::function<void(const std::string &batch, const CardActivity &row, const std::optional<DrainNotice> &notice)>;
    // The server folder the settings name now.
    using CurrentFolder = std::function<std::filesystem::path()>;

    PendingSender(std::shared_ptr<DrainEngine> engine, CurrentFolder currentFolder, RowWriter writeRow,
                  QObject *parent = nullptr);
    // Abandons a pass; a pass stuck on a stalled share is left behind.
    ~PendingSender() override;

    // Starts a pass now, or right after the one under way.
    void tryNow();
    // The batch goes to the folder chosen since, instead of the one that applied.
    void sendToCurrentFolder(const std::string &batch);
    // The row of a batch that cannot be sent was dismissed: its record says so.
    void rowDismissed(const std::string &batch, RowState state);
    // A pass is under way ("Try now" shows it).
    bool trying() const { return m_pass.running(); }

signals:
    void tryingChanged();

private:
    // What a pass did: whether a batch still waits, and which redirections it carried out.
    struct Pass {
        bool anyWaiting = false;
        std::set<std::string> redirected;
    };

    void startPass();
    void passEnded(const Pass &pass);
    static Pass runPass(std::shared_ptr<DrainEngine> engine, std::shared_ptr<ReportChannel> channel,
                        PendingSender *sender, std::filesystem::path currentFolder, std::set<std::string> redirected);

    std::shared_ptr<DrainEngine> m_engine;
    CurrentFolder m_currentFolder;
    RowWriter m_writeRow;
    // Carries a pass's rows, each awaited; abandoned first when the sender goes.
    std::shared_ptr<ReportChannel> m_channel;
    QTimer m_retry;
    std::chrono::seconds m_backOff;
    // Batches that go to the current folder, until a pass has sent them there.
    std::set<std::string> m_redirected;
    // Dismissed rows whose records are still to say so.
    std::set<std::string> m_dismissed;
    BackgroundTask<Pass> m_pass;
    BackgroundTask<std::set<std::string>> m_dismissing;
};

} // namespace slatewick

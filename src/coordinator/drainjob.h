#pragma once

#include "coordinator/drainnotice.h"
#include "coordinator/gracetimer.h"
#include "engine/drain/drainevent.h"
#include "model/cardactivity.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"
#include "model/transferrate.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

namespace slatewick {

class DrainEngine;
class ReportChannel;

// The life of one card's drain: the grace wait on the main thread, the drain on
// a worker thread with every report applied on the main thread, and the final
// row. The job keeps its row whole (the file reports and the bytes under way
// both land in it) and tells what happened through its reports. It never retries.
class DrainJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DrainJob)

public:
    // Each called on the main thread while the job exists.
    struct Reports {
        std::function<void(const CardActivity &)> row;        // the card's row as it is now
        std::function<void(const DrainNotice &)> notice;      // something the user should know
        std::function<void(const std::string &batch)> pending; // the batch waits for the server, in this row
        std::function<void()> finished;                       // the job is over: its owner may destroy it later
    };

    // leaveIfDrained: a card found at start, left alone when it was drained before.
    DrainJob(InsertedCard card, DrainSettings settings, std::shared_ptr<DrainEngine> engine, Reports reports,
             bool leaveIfDrained);
    // Abandons waiting reports and gives the worker a moment to stop; a worker
    // still busy then is left to end on its own, so quitting never hangs.
    ~DrainJob() override;

    // Shows the waiting row and starts the grace wait.
    void start();
    void cancel();
    // Ends the grace wait without draining: the card drains at its next insertion.
    void skip();
    // Quitting: abandons waiting reports and asks the worker to stop; the
    // destructor then waits for it only until a moment after the first call.
    void abandon();

    // How the job ends: its last row, what to tell, and a batch left waiting for the server.
    struct Ending {
        CardActivity row;
        std::optional<DrainNotice> notice;
        std::string pendingBatch;
    };

private:
    struct WorkerState;

    void beginDrain();
    static void runWorker(DrainJob *job, std::shared_ptr<ReportChannel> channel, std::shared_ptr<WorkerState> worker,
                          std::shared_ptr<DrainEngine> engine, InsertedCard card, DrainSettings settings,
                          bool leaveIfDrained);
    void apply(const DrainEvent &event);
    void finish(Ending ending);
    void bytesDone(DrainPhase phase, std::int64_t done, std::int64_t total);
    void countDown();
    void showRow();

    InsertedCard m_card;
    DrainSettings m_settings;
    std::shared_ptr<DrainEngine> m_engine;
    Reports m_reports;
    CardActivity m_row;
    GraceTimer m_grace;
    QTimer m_countdown;
    std::chrono::steady_clock::time_point m_graceEnds;
    TransferRate m_rate;
    std::shared_ptr<ReportChannel> m_channel;
    std::shared_ptr<WorkerState> m_worker;
    std::thread m_thread;
    bool m_leaveIfDrained;
    bool m_done = false;
    std::optional<std::chrono::steady_clock::time_point> m_stopDeadline;
};

} // namespace slatewick

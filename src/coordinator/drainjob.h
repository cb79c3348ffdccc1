#pragma once

#include "model/cardactivity.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"

#include "coordinator/gracetimer.h"
#include "model/transferrate.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>
#include <memory>
#include <stop_token>
#include <thread>

namespace slatewick {

class DrainEngine;
class ReportChannel;

// The life of one card's drain: the grace wait on the main thread, the
// existence check, the drain on a worker thread with every report applied on
// the main thread, and the final row. It never retries.
class DrainJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DrainJob)

public:
    using RowWriter = std::function<void(const CardActivity &)>;
    using Finished = std::function<void()>;
    using ProgressWriter = std::function<void(const std::string &line)>;

    // leaveIfDrained: a card found at start, left alone when it was drained before.
    DrainJob(InsertedCard card, DrainSettings settings, std::shared_ptr<DrainEngine> engine, RowWriter writeRow,
             ProgressWriter writeProgress, Finished finished, bool leaveIfDrained, QObject *parent);
    // Abandons waiting reports and gives the worker a moment to stop; a worker
    // still busy then is left to end on its own, so quitting never hangs.
    ~DrainJob() override;

    void start();
    void cancel();
    // Ends the grace wait without draining: the card drains at its next insertion.
    void skip();
    // Quitting: abandons waiting reports and asks the worker to stop; the
    // destructor then waits for it only until a moment after the first call.
    void abandon();

private:
    struct WorkerState;

    void beginDrain();
    static void runWorker(DrainJob *job, std::shared_ptr<ReportChannel> channel, std::shared_ptr<WorkerState> worker,
                          std::shared_ptr<DrainEngine> engine, InsertedCard card, DrainSettings settings,
                          RowWriter writeRow, bool leaveIfDrained);
    void finish(const CardActivity &row);
    void bytesDone(DrainPhase phase, std::int64_t done, std::int64_t total);
    void countDown();

    InsertedCard m_card;
    DrainSettings m_settings;
    std::shared_ptr<DrainEngine> m_engine;
    RowWriter m_writeRow;
    ProgressWriter m_writeProgress;
    Finished m_finished;
    GraceTimer m_grace;
    QTimer m_countdown;
    std::chrono::steady_clock::time_point m_graceEnds;
    DrainPhase m_bytesPhase = DrainPhase::waiting;
    TransferRate m_rate;
    std::shared_ptr<ReportChannel> m_channel;
    std::shared_ptr<WorkerState> m_worker;
    std::thread m_thread;
    bool m_leaveIfDrained;
    bool m_done = false;
    std::optional<std::chrono::steady_clock::time_point> m_stopDeadline;
};

} // namespace slatewick

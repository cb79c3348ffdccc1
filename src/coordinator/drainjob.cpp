#include "coordinator/drainjob.h"

#include "coordinator/reportchannel.h"
#include "engine/drainengine.h"
#include "model/drainerror.h"
#include "platform/cancellationerror.h"

#include <algorithm>
#include <climits>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace slatewick {

namespace {
// How long quitting waits for the workers to notice they were abandoned.
constexpr auto workerStopGrace = std::chrono::milliseconds(800);
} // namespace

struct DrainJob::WorkerState {
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
};

DrainJob::DrainJob(InsertedCard card, DrainSettings settings, std::shared_ptr<DrainEngine> engine, RowWriter writeRow,
                   Finished finished, QObject *parent)
    : QObject(parent)
    , m_card(std::move(card))
    , m_settings(std::move(settings))
    , m_engine(std::move(engine))
    , m_writeRow(std::move(writeRow))
    , m_finished(std::move(finished))
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_worker(std::make_shared<WorkerState>())
{
    connect(&m_grace, &GraceTimer::timeout, this, &DrainJob::beginDrain);
}

void DrainJob::abandon()
{
    if (!m_stopDeadline)
        m_stopDeadline = std::chrono::steady_clock::now() + workerStopGrace;
    m_channel->abandon();
    m_worker->stop.request_stop();
}

DrainJob::~DrainJob()
{
    abandon();
    if (!m_thread.joinable())
        return;
    std::unique_lock lock(m_worker->mutex);
    if (m_worker->ended.wait_until(lock, *m_stopDeadline, [this] { return m_worker->finished; })) {
        lock.unlock();
        m_thread.join();
    } else {
        // The worker holds what it uses by shared ownership and posts nothing more.
        m_thread.detach();
    }
}

void DrainJob::start()
{
    // A negative grace counts as none; a huge one is capped at what a timer can hold.
    const std::int64_t seconds = std::clamp<std::int64_t>(m_settings.gracePeriodSeconds, 0, INT_MAX);
    m_grace.start(std::chrono::seconds(seconds));
}

void DrainJob::cancel()
{
    if (m_done)
        return;
    if (m_grace.isActive()) {
        m_grace.stop();
        finish(CardActivity(m_card, DrainPhase::removed, 0.0, "Card removed before the drain completed."));
        return;
    }
    m_worker->stop.request_stop();
}

// The card is not looked at here: a stuck card would hold up the main thread.
// A card already gone fails on the worker with the same sentence.
void DrainJob::beginDrain()
{
    try {
        m_thread = std::thread(&DrainJob::runWorker, this, m_channel, m_worker, m_engine, m_card, m_settings,
                               m_writeRow);
    } catch (const std::exception &error) {
        finish(CardActivity(m_card, DrainPhase::failed, 0.0, error.what()));
    }
}

// Everything the worker touches is its own copy or shared; the job itself is
// reached only through the channel, on the main thread, while it exists.
void DrainJob::runWorker(DrainJob *job, std::shared_ptr<ReportChannel> channel, std::shared_ptr<WorkerState> worker,
                         std::shared_ptr<DrainEngine> engine, InsertedCard card, DrainSettings settings,
                         RowWriter writeRow)
{
    auto update = [&](DrainPhase phase, double progress, const std::string &detail) {
        channel->deliver([writeRow, card, phase, progress, detail] {
            writeRow(CardActivity(card, phase, progress, detail));
        });
    };
    std::optional<CardActivity> row;
    try {
        const DrainEngine::Outcome outcome = engine->drain(card, settings, update, worker->stop.get_token());
        const std::string verified = "Verified " + std::to_string(outcome.files) + " files in cache and server.";
        if (outcome.notClearedReason.empty()) {
            row.emplace(card, DrainPhase::ready, 1.0, verified + " Card is ready for reuse.");
        } else {
            row.emplace(card, DrainPhase::ready, 1.0, verified + " The card was not cleared: " + outcome.notClearedReason);
            row->state = RowState::copiedNotCleared;
        }
        row->batchURL = outcome.batchURL;
        if (!outcome.spaceNote.empty())
            row->detail += " " + outcome.spaceNote;
    } catch (const CancellationError &) {
        row.emplace(card, DrainPhase::removed, 0.0, "Card removed before the drain completed.");
    } catch (const std::exception &error) {
        row.emplace(card, DrainPhase::failed, 0.0, error.what());
    } catch (...) {
        row.emplace(card, DrainPhase::failed, 0.0, "The drain failed for an unknown reason.");
    }
    channel->post([job, finalRow = *row] { job->finish(finalRow); });
    {
        std::lock_guard lock(worker->mutex);
        worker->finished = true;
    }
    worker->ended.notify_all();
}

void DrainJob::finish(const CardActivity &row)
{
    if (m_done)
        return;
    m_done = true;
    m_writeRow(row);
    m_finished();
}

} // namespace slatewick

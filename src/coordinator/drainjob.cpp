#include "coordinator/drainjob.h"

#include "coordinator/presenter.h"
#include "coordinator/reportchannel.h"
#include "engine/drain/drainengine.h"
#include "model/drainerror.h"
#include "platform/cancellationerror.h"

#include <QTime>

#include <algorithm>
#include <climits>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace slatewick {

namespace {

DrainNotice noticeOf(const CardActivity &row, DrainNotice::Kind kind, DrainNotice::Why why = DrainNotice::Why::failed)
{
    DrainNotice notice;
    notice.kind = kind;
    notice.cardName = row.cardName;
    notice.detail = row.detail;
    notice.why = why;
    return notice;
}

// The row of a card found at start that went into a batch before; none for any other.
std::optional<DrainJob::Ending> drainedBefore(const DrainEngine &engine, const InsertedCard &card)
{
    std::optional<BatchRecord> before;
    try {
        before = engine.alreadyDrained(card);
    } catch (const std::exception &) {
        // Not known again: drained as any card.
    }
    if (!before)
        return std::nullopt;
    const std::string batch = before->cacheBatch.lexically_relative(engine.cacheFolder()).string();
    CardActivity row(card, DrainPhase::removed, 0.0, Presenter::utf8(Presenter::alreadyDrained(batch, before->facts.files)));
    row.state = RowState::alreadyDrained;
    return DrainJob::Ending{row, std::nullopt, {}};
}

// The drain, and how it ends.
DrainJob::Ending drained(DrainEngine &engine, const InsertedCard &card, const DrainSettings &settings,
                         const DrainEngine::Update &update, std::stop_token stop, const DrainEngine::ByteUpdate &bytes)
{
    using Kind = DrainNotice::Kind;
    using Why = DrainNotice::Why;
    try {
        const DrainEngine::Outcome outcome = engine.drain(card, settings, update, stop, bytes);
        CardActivity row(card, DrainPhase::ready, 1.0, Presenter::utf8(Presenter::verified(outcome)));
        if (outcome.notCleared)
            row.state = RowState::copiedNotCleared;
        row.batchURL = outcome.batchURL;
        return {row, noticeOf(row, Kind::onServer), {}};
    } catch (const CancellationError &) {
        // Only the cache copy stops for a removal: after it, the server copy goes on from the cache.
        CardActivity row(card, DrainPhase::removed, 0.0, Presenter::utf8(Presenter::takenOutBeforeCopied(card.displayName)));
        row.state = RowState::takenOutEarly;
        return {row, noticeOf(row, Kind::needsAttention, Why::takenOutEarly), {}};
    } catch (const ServerCopyPending &pending) {
        const BatchRecord &record = pending.record();
        CardActivity row(card, DrainPhase::waiting, 0.0,
                         Presenter::utf8(Presenter::waitingForServer(record.facts.bytes, pending.cause(), std::nullopt,
                                                                     Presenter::clockNow(), record.leftAttempts)));
        row.state = RowState::pendingServerCopy;
        DrainNotice notice = noticeOf(row, Kind::needsAttention, Why::waitingForServer);
        notice.batch = record.id;
        notice.cause = pending.cause().kind;
        return {row, notice, record.id};
    } catch (const std::exception &error) {
        CardActivity row(card, DrainPhase::failed, 0.0, Presenter::utf8(Presenter::failure(&error)));
        return {row, noticeOf(row, Kind::needsAttention), {}};
    } catch (...) {
        CardActivity row(card, DrainPhase::failed, 0.0, Presenter::utf8(Presenter::failure(nullptr)));
        return {row, noticeOf(row, Kind::needsAttention), {}};
    }
}

// How long quitting waits for the workers to notice they were abandoned.
constexpr auto workerStopGrace = std::chrono::milliseconds(800);
} // namespace

struct DrainJob::WorkerState {
    std::stop_source stop;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
};

DrainJob::DrainJob(InsertedCard card, DrainSettings settings, std::shared_ptr<DrainEngine> engine, Reports reports,
                   bool leaveIfDrained)
    : m_card(std::move(card))
    , m_settings(std::move(settings))
    , m_engine(std::move(engine))
    , m_reports(std::move(reports))
    , m_row(m_card, DrainPhase::waiting, 0.0, Presenter::utf8(Presenter::gracePeriod(m_settings.gracePeriodSeconds)))
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_worker(std::make_shared<WorkerState>())
    , m_leaveIfDrained(leaveIfDrained)
{
    connect(&m_grace, &GraceTimer::timeout, this, &DrainJob::beginDrain);
    m_countdown.setInterval(std::chrono::seconds(1));
    connect(&m_countdown, &QTimer::timeout, this, &DrainJob::countDown);
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
    m_graceEnds = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    if (seconds > 0) {
        m_row.state = RowState::gracePeriod;
        countDown();
        m_countdown.start();
    } else {
        showRow();
    }
}

void DrainJob::showRow()
{
    m_reports.row(m_row);
}

void DrainJob::countDown()
{
    const auto left = std::chrono::ceil<std::chrono::seconds>(m_graceEnds - std::chrono::steady_clock::now());
    m_row.progressLine = Presenter::utf8(Presenter::countdown(std::max<std::int64_t>(left.count(), 1)));
    showRow();
}

void DrainJob::skip()
{
    if (m_done || !m_grace.isActive())
        return;
    m_grace.stop();
    m_countdown.stop();
    CardActivity row(m_card, DrainPhase::removed, 0.0, Presenter::utf8(Presenter::skipped()));
    row.state = RowState::skipped;
    finish({row, std::nullopt, {}});
}

// Bytes of a copy the row no longer shows (they arrive unawaited) are dropped.
void DrainJob::bytesDone(DrainPhase phase, std::int64_t done, std::int64_t total)
{
    if (m_done || phase != m_row.phase)
        return;
    m_row.progressLine = Presenter::utf8(Presenter::transfer(m_rate.sample(done, total, TransferRate::Clock::now())));
    showRow();
}

void DrainJob::apply(const DrainEvent &event)
{
    if (m_done)
        return;
    if (event.phase != m_row.phase) {
        m_row.progressLine.clear(); // a new copy: its own bytes and speed
        m_rate.restart();
    }
    m_row.phase = event.phase;
    m_row.progress = event.progress;
    m_row.detail = Presenter::utf8(Presenter::event(event));
    m_row.state = RowState::plain;
    showRow();
    // The server copy starts only once the card is left alone: verified in the
    // cache, cleared when asked, and its folder descriptor closed for ejecting.
    if (event.kind == DrainEvent::Kind::sending)
        m_reports.notice(noticeOf(m_row, DrainNotice::Kind::mayBeTakenOut));
}

void DrainJob::cancel()
{
    if (m_done)
        return;
    if (m_grace.isActive()) {
        m_grace.stop();
        m_countdown.stop();
        finish({CardActivity(m_card, DrainPhase::removed, 0.0, Presenter::utf8(Presenter::removedMidDrain())),
                std::nullopt,
                {}});
        return;
    }
    m_worker->stop.request_stop();
}

// The card is not looked at here: a stuck card would hold up the main thread.
// A card already gone fails on the worker with the same sentence.
void DrainJob::beginDrain()
{
    m_countdown.stop();
    m_row.progressLine.clear();
    try {
        m_thread = std::thread(&DrainJob::runWorker, this, m_channel, m_worker, m_engine, m_card, m_settings,
                               m_leaveIfDrained);
    } catch (const std::exception &error) {
        CardActivity row(m_card, DrainPhase::failed, 0.0, Presenter::utf8(Presenter::failure(&error)));
        finish({row, noticeOf(row, DrainNotice::Kind::needsAttention), {}});
    }
}

// Everything the worker touches is its own copy or shared; the job itself is
// reached only through the channel, on the main thread, while it exists.
void DrainJob::runWorker(DrainJob *job, std::shared_ptr<ReportChannel> channel, std::shared_ptr<WorkerState> worker,
                         std::shared_ptr<DrainEngine> engine, InsertedCard card, DrainSettings settings,
                         bool leaveIfDrained)
{
    auto update = [&](const DrainEvent &event) { channel->deliver([job, event] { job->apply(event); }); };
    // Bytes travel coalesced and are not awaited: a large file shows movement
    // without costing the copy a round trip to the main thread per block.
    auto lastBytes = std::chrono::steady_clock::time_point();
    const DrainEngine::ByteUpdate bytes = [&](DrainPhase phase, std::int64_t done, std::int64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastBytes < std::chrono::milliseconds(100) && done < total)
            return;
        lastBytes = now;
        channel->post([job, phase, done, total] { job->bytesDone(phase, done, total); });
    };
    std::optional<Ending> ending = leaveIfDrained ? drainedBefore(*engine, card) : std::nullopt;
    if (!ending)
        ending = drained(*engine, card, settings, update, worker->stop.get_token(), bytes);
    channel->post([job, last = *ending] { job->finish(last); });
    {
        std::lock_guard lock(worker->mutex);
        worker->finished = true;
    }
    worker->ended.notify_all();
}

void DrainJob::finish(Ending ending)
{
    if (m_done)
        return;
    m_done = true;
    m_countdown.stop();
    m_row = std::move(ending.row);
    showRow();
    if (ending.notice)
        m_reports.notice(*ending.notice);
    if (!ending.pendingBatch.empty())
        m_reports.pending(ending.pendingBatch);
    m_reports.finished();
}

} // namespace slatewick

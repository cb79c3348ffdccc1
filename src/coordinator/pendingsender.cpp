#include "coordinator/pendingsender.h"

#include "coordinator/backgroundtask.h"
#include "coordinator/presenter.h"
#include "coordinator/reportchannel.h"
#include "engine/drain/drainengine.h"
#include "model/drainerror.h"
#include "platform/cancellationerror.h"

#include <QTime>

#include <algorithm>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr auto firstRetry = std::chrono::seconds(5);
constexpr auto longestRetry = std::chrono::seconds(300);

// A batch's row: no card is known by it, only the name the card had.
CardActivity rowOf(const std::string &cardName, DrainPhase phase, RowState state, std::string detail)
{
    InsertedCard card;
    card.displayName = cardName;
    CardActivity row(card, phase, 0.0, std::move(detail));
    row.state = state;
    return row;
}

DrainNotice noticeOf(const std::string &batch, const CardActivity &row, DrainNotice::Kind kind,
                     DrainNotice::Why why = DrainNotice::Why::notSent)
{
    DrainNotice notice;
    notice.kind = kind;
    notice.cardName = row.cardName;
    notice.detail = row.detail;
    notice.why = why;
    notice.batch = batch;
    return notice;
}

// What waits: safe in the cache, sent when its folder answers or, on a full server, has room;
// one that would land inside another batch says so.
CardActivity waitingRow(const BatchRecord &record, const fs::path &currentFolder, const PendingCause &cause)
{
    const bool elsewhere = !currentFolder.empty() && !record.serverFolder.empty() && currentFolder != record.serverFolder;
    const QString detail =
        Presenter::waitingForServer(record.facts.bytes, cause, elsewhere ? std::optional(record.serverFolder) : std::nullopt,
                                    Presenter::clockNow(), record.leftAttempts);
    return rowOf(record.facts.sourceVolume, DrainPhase::waiting,
                 elsewhere ? RowState::pendingOtherFolder : RowState::pendingServerCopy, Presenter::utf8(detail));
}

// The record as it stands after a failed send; the one read before where it cannot be read.
BatchRecord latest(const DrainEngine &engine, const BatchRecord &before)
{
    try {
        return engine.ledger().read(before.id).value_or(before);
    } catch (const std::exception &) {
        return before;
    }
}

CardActivity notSentRow(const BatchRecord &record)
{
    return rowOf(record.facts.sourceVolume, DrainPhase::failed,
                 record.cacheGone ? RowState::pendingGone : RowState::pendingBroken,
                 Presenter::utf8(Presenter::notSendable(record)));
}

} // namespace

PendingSender::PendingSender(std::shared_ptr<DrainEngine> engine, CurrentFolder currentFolder, RowWriter writeRow,
                             QObject *parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_currentFolder(std::move(currentFolder))
    , m_writeRow(std::move(writeRow))
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_backOff(firstRetry)
    , m_pass([this](Pass pass) { passEnded(pass); })
    , m_dismissing([this](const std::set<std::string> &recorded) {
        for (const std::string &batch : recorded)
            m_dismissed.erase(batch);
    })
{
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &PendingSender::startPass);
}

PendingSender::~PendingSender()
{
    m_channel->abandon();
}

void PendingSender::tryNow()
{
    m_backOff = firstRetry;
    startPass();
}

void PendingSender::sendToCurrentFolder(const std::string &batch)
{
    m_redirected.insert(batch);
    tryNow();
}

void PendingSender::rowDismissed(const std::string &batch, RowState state)
{
    if (state != RowState::pendingGone && state != RowState::pendingBroken)
        return;
    // The record stays, as not sendable; its row stays gone, here and at later starts.
    m_dismissed.insert(batch);
    m_dismissing.request([engine = m_engine, batches = m_dismissed] {
        std::set<std::string> recorded;
        for (const std::string &id : batches) {
            try {
                engine->ledger().change(id, inState(BatchState::notSendable),
                                        [](BatchRecord &record) { record.dismissed = true; });
            } catch (const std::exception &) {
                // Shown again at the next start, where it can be dismissed again.
            }
            recorded.insert(id);
        }
        return recorded;
    });
}

void PendingSender::startPass()
{
    m_retry.stop();
    m_pass.request([engine = m_engine, channel = m_channel, self = this, folder = m_currentFolder(),
                    redirected = m_redirected] { return runPass(engine, channel, self, folder, redirected); });
    emit tryingChanged();
}

void PendingSender::passEnded(const Pass &pass)
{
    // Looked at once the task has started the pass asked for meanwhile, if any.
    QMetaObject::invokeMethod(this, &PendingSender::tryingChanged, Qt::QueuedConnection);
    for (const std::string &batch : pass.redirected)
        m_redirected.erase(batch);
    if (pass.anyWaiting) {
        m_retry.start(m_backOff);
        m_backOff = std::min(m_backOff * 2, std::chrono::duration_cast<std::chrono::seconds>(longestRetry));
    } else {
        m_backOff = firstRetry;
    }
}

// On the pass's own thread: everything it shows goes through the channel, which
// stops carrying anything once the sender is gone (the sender is reached only there). Each batch is claimed through
// its record just before it is sent, so one that its drain or another program
// finished meanwhile is left alone.
PendingSender::Pass PendingSender::runPass(std::shared_ptr<DrainEngine> engine, std::shared_ptr<ReportChannel> channel,
                                           PendingSender *sender, fs::path currentFolder,
                                           std::set<std::string> redirected)
{
    // A redirection is made in the same change as the claim: once tried, the record carries it.
    Pass pass{false, redirected};
    const auto show = [&](const std::string &batch, CardActivity row, std::optional<DrainNotice> notice) {
        channel->deliver([sender, batch, row, notice] { sender->m_writeRow(batch, row, notice); });
    };
    const auto notSent = [&](const BatchRecord &record) {
        const CardActivity row = notSentRow(record);
        show(record.id, row, noticeOf(record.id, row, DrainNotice::Kind::needsAttention));
    };
    const auto waiting = [&](const BatchRecord &record, const PendingCause &cause) {
        const CardActivity row = waitingRow(record, currentFolder, cause);
        DrainNotice notice = noticeOf(record.id, row, DrainNotice::Kind::needsAttention, DrainNotice::Why::waitingForServer);
        notice.cause = cause.kind;
        show(record.id, row, notice);
    };
    bool &anyWaiting = pass.anyWaiting;
    try {
        engine->adoptEarlierRecords();
        std::vector<BatchLedger::Unreadable> unreadable;
        const std::vector<BatchRecord> records = engine->ledger().all(&unreadable);
        for (const BatchRecord &record : records) {
            if (record.state == BatchState::notSendable && !record.dismissed)
                notSent(record);
            if (record.state != BatchState::cached)
                continue;
            std::optional<fs::path> redirect;
            if ((redirected.count(record.id) != 0 || record.serverFolder.empty()) && !currentFolder.empty())
                redirect = currentFolder;
            const DrainEngine::Update update = [&](const DrainEvent &event) {
                CardActivity row = rowOf(record.facts.sourceVolume, event.phase, RowState::plain,
                                         Presenter::utf8(Presenter::event(event)));
                row.progress = event.progress;
                show(record.id, row, std::nullopt);
            };
            try {
                const std::optional<DrainEngine::Outcome> sent = engine->sendPending(record.id, update, {}, redirect);
                if (!sent)
                    continue; // its own drain, or another program, has it
                const DrainEngine::Outcome &outcome = *sent;
                CardActivity row = rowOf(record.facts.sourceVolume, DrainPhase::ready,
                                         outcome.notCleared ? RowState::copiedNotCleared : RowState::plain,
                                         Presenter::utf8(Presenter::verified(outcome)));
                row.progress = 1.0;
                row.batchURL = outcome.batchURL;
                show(record.id, row, noticeOf(record.id, row, DrainNotice::Kind::onServer));
            } catch (const CancellationError &) {
                throw;
            } catch (const DrainError &error) {
                const BatchRecord now = latest(*engine, record);
                if (error.kind() == DrainError::Kind::cacheGone || error.kind() == DrainError::Kind::cacheChanged) {
                    notSent(now);
                    continue;
                }
                anyWaiting = true;
                waiting(now, PendingCause::of(error));
            } catch (const std::exception &error) {
                anyWaiting = true;
                waiting(latest(*engine, record), PendingCause::of(error));
            }
        }
        for (const BatchLedger::Unreadable &entry : unreadable) {
            // Known by its file's name: no record of that name can be read.
            const CardActivity row = rowOf(entry.file.filename().string(), DrainPhase::failed, RowState::pendingBroken,
                                           Presenter::utf8(Presenter::unreadableRecord(entry.problem, entry.file)));
            show(entry.file.stem().string(), row,
                 noticeOf(entry.file.stem().string(), row, DrainNotice::Kind::needsAttention));
        }

    } catch (const CancellationError &) {
        // The program quits; the records stay for the next start.
    } catch (const std::exception &) {
        anyWaiting = true; // the records could not be listed now; the next pass looks again
    }
    return pass;
}

} // namespace slatewick

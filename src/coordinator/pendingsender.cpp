#include "coordinator/pendingsender.h"

#include "coordinator/backgroundtask.h"
#include "coordinator/reportchannel.h"
#include "engine/drain/drainengine.h"
#include "model/drainerror.h"
#include "model/bytesize.h"
#include "platform/cancellationerror.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr auto firstRetry = std::chrono::seconds(5);
constexpr auto longestRetry = std::chrono::seconds(300);

std::string clockText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

CardActivity rowOf(const std::string &rowId, const std::string &cardName, DrainPhase phase, RowState state,
                   std::string detail)
{
    InsertedCard card;
    card.url = rowId;
    card.displayName = cardName;
    CardActivity row(card, phase, 0.0, std::move(detail));
    row.state = state;
    return row;
}

std::string leftAttemptsNote(const std::vector<fs::path> &left)
{
    std::string note;
    for (const fs::path &folder : left)
        note += " An earlier try was left at " + folder.string() + ": it could not be proven to be this batch's own.";
    return note;
}

// What waits: safe in the cache, sent when its folder answers or, on a full server, has room;
// one that would land inside another batch says so.
CardActivity waitingRow(const std::string &rowId, const BatchRecord &record, const fs::path &currentFolder,
                        const std::optional<DrainError> &cause, const std::string &lastTry)
{
    const bool elsewhere = !currentFolder.empty() && !record.serverFolder.empty() && currentFolder != record.serverFolder;
    std::string detail = "Safe in the local cache (" + formattedSize(record.facts.bytes) + "); ";
    if (cause && cause->kind() == DrainError::Kind::noRoom)
        detail += "needs " + formattedSize(cause->needed()) + ", " + formattedSize(cause->available())
                  + " free on the server.";
    else if (cause && cause->kind() == DrainError::Kind::nestedBatch)
        detail += cause->what();
    else
        detail += "sent when " + std::string(elsewhere ? record.serverFolder.string() + " answers. Another server folder has been chosen since."
                                                       : "the server folder answers.");
    if (!lastTry.empty())
        detail += " Last try: " + lastTry;
    detail += leftAttemptsNote(record.leftAttempts);
    return rowOf(rowId, record.facts.sourceVolume, DrainPhase::waiting,
                 elsewhere ? RowState::pendingOtherFolder : RowState::pendingServerCopy, detail);
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

CardActivity notSentRow(const std::string &rowId, const BatchRecord &record)
{
    const bool gone = record.problem.find(" is gone") != std::string::npos;
    return rowOf(rowId, record.facts.sourceVolume, DrainPhase::failed,
                 gone ? RowState::pendingGone : RowState::pendingBroken, record.problem);
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

void PendingSender::sendToCurrentFolder(const std::string &rowId)
{
    m_redirected.insert(rowId);
    tryNow();
}

void PendingSender::rowDismissed(const CardActivity &row)
{
    if ((row.state != RowState::pendingGone && row.state != RowState::pendingBroken) || !isPendingRow(row.id))
        return;
    // The record stays, as not sendable; its row stays gone, here and at later starts.
    startUnjoinedThread([engine = m_engine, id = row.id.substr(std::string(rowPrefix).size())] {
        try {
            engine->ledger().change(id, inState(BatchState::notSendable),
                                    [](BatchRecord &record) { record.dismissed = true; });
        } catch (const std::exception &) {
            // Shown again at the next start, where it can be dismissed again.
        }
    });
}

void PendingSender::startPass()
{
    if (m_running) {
        m_again = true;
        return;
    }
    m_running = true;
    m_again = false;
    m_retry.stop();
    m_running = startUnjoinedThread([engine = m_engine, channel = m_channel, self = this, folder = m_currentFolder(),
                             redirected = std::exchange(m_redirected, {})] {
        runPass(engine, channel, self, folder, redirected);
    });
}

void PendingSender::passEnded(bool anyWaiting)
{
    m_running = false;
    if (m_again) {
        startPass();
    } else if (anyWaiting) {
        m_retry.start(m_backOff);
        m_backOff = std::min(m_backOff * 2, std::chrono::duration_cast<std::chrono::seconds>(longestRetry));
    } else {
        m_backOff = firstRetry;
    }
}

// On the pass's own thread: everything it shows goes through the channel, which
// stops carrying anything once the sender is gone. Each batch is claimed through
// its record just before it is sent, so one that its drain or another program
// finished meanwhile is left alone.
void PendingSender::runPass(std::shared_ptr<DrainEngine> engine, std::shared_ptr<ReportChannel> channel,
                            PendingSender *sender, fs::path currentFolder, std::set<std::string> redirected)
{
    const auto show = [&](CardActivity row) { channel->deliver([sender, row] { sender->m_writeRow(row); }); };
    bool anyWaiting = false;
    try {
        engine->adoptEarlierRecords();
        std::vector<BatchLedger::Unreadable> unreadable;
        const std::vector<BatchRecord> records = engine->ledger().all(&unreadable);
        for (const BatchRecord &record : records) {
            const std::string rowId = rowPrefix + record.id;
            if (record.state == BatchState::notSendable && !record.dismissed)
                show(notSentRow(rowId, record));
            if (record.state != BatchState::cached)
                continue;
            std::optional<fs::path> redirect;
            if ((redirected.count(rowId) != 0 || record.serverFolder.empty()) && !currentFolder.empty())
                redirect = currentFolder;
            const DrainEngine::Update update = [&](DrainPhase phase, double progress, const std::string &detail) {
                CardActivity row = rowOf(rowId, record.facts.sourceVolume, phase, RowState::plain, detail);
                row.progress = progress;
                show(row);
            };
            try {
                const std::optional<DrainEngine::Outcome> sent = engine->sendPending(record.id, update, {}, redirect);
                if (!sent)
                    continue; // its own drain, or another program, has it
                const DrainEngine::Outcome &outcome = *sent;
                std::string detail = "Verified " + std::to_string(outcome.files) + " files in cache and server.";
                if (!outcome.notClearedReason.empty())
                    detail += " The card was not cleared: " + outcome.notClearedReason;
                detail += leftAttemptsNote(outcome.leftAttempts);
                CardActivity row = rowOf(rowId, record.facts.sourceVolume, DrainPhase::ready,
                                         outcome.notClearedReason.empty() ? RowState::plain : RowState::copiedNotCleared,
                                         detail);
                row.progress = 1.0;
                row.batchURL = outcome.batchURL;
                show(row);
            } catch (const CancellationError &) {
                throw;
            } catch (const DrainError &error) {
                const BatchRecord now = latest(*engine, record);
                if (error.kind() == DrainError::Kind::cacheGone || error.kind() == DrainError::Kind::cacheChanged) {
                    show(notSentRow(rowId, now));
                    continue;
                }
                anyWaiting = true;
                show(waitingRow(rowId, now, currentFolder, error, clockText() + "."));
            } catch (const std::exception &error) {
                anyWaiting = true;
                show(waitingRow(rowId, latest(*engine, record), currentFolder, std::nullopt,
                                clockText() + ", " + error.what()));
            }
        }
        for (const BatchLedger::Unreadable &entry : unreadable)
            show(rowOf(rowPrefix + entry.file.stem().string(), entry.file.filename().string(), DrainPhase::failed,
                       RowState::pendingBroken,
                       "The record of a batch could not be read (" + entry.problem + "). It is kept at "
                           + entry.file.string() + "."));

    } catch (const CancellationError &) {
        return; // the program quits; the records stay for the next start
    } catch (const std::exception &) {
        anyWaiting = true; // the records could not be listed now; the next pass looks again
    }
    channel->post([sender, anyWaiting] { sender->passEnded(anyWaiting); });
}

} // namespace slatewick

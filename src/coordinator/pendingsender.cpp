#include "coordinator/pendingsender.h"

#include "coordinator/detachedwork.h"
#include "coordinator/reportchannel.h"
#include "engine/drainengine.h"
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

// What waits: safe in the cache, sent when its folder answers.
CardActivity waitingRow(const std::string &rowId, const PendingTransfer &transfer, const fs::path &currentFolder,
                        const std::string &lastTry)
{
    const bool elsewhere = !currentFolder.empty() && currentFolder != transfer.serverFolder;
    std::string detail = "Safe in the local cache (" + formattedSize(transfer.facts.bytes) + "); sent when ";
    detail += elsewhere ? transfer.serverFolder.string() + " answers. Another server folder has been chosen since."
                        : "the server folder answers.";
    if (!lastTry.empty())
        detail += " Last try: " + lastTry;
    return rowOf(rowId, transfer.facts.sourceVolume, DrainPhase::waiting,
                 elsewhere ? RowState::pendingOtherFolder : RowState::pendingServerCopy, detail);
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
    if (row.state != RowState::pendingGone || !isPendingRow(row.id))
        return;
    std::error_code ignored;
    fs::remove(row.id.substr(std::string(rowPrefix).size()), ignored);
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
    m_running = runDetached([engine = m_engine, channel = m_channel, self = this, folder = m_currentFolder(),
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
// stops carrying anything once the sender is gone.
void PendingSender::runPass(std::shared_ptr<DrainEngine> engine, std::shared_ptr<ReportChannel> channel,
                            PendingSender *sender, fs::path currentFolder, std::set<std::string> redirected)
{
    const auto show = [&](CardActivity row) { channel->deliver([sender, row] { sender->m_writeRow(row); }); };
    bool anyWaiting = false;
    try {
        for (PendingStore::Entry &entry : engine->pendingStore().load()) {
            const std::string rowId = rowPrefix + entry.file.string();
            if (!entry.transfer) {
                show(rowOf(rowId, entry.file.filename().string(), DrainPhase::failed, RowState::pendingBroken,
                           "The record of a batch waiting for the server could not be read (" + entry.problem
                               + "). It is kept at " + entry.file.string() + "."));
                continue;
            }
            PendingTransfer &transfer = *entry.transfer;
            if (redirected.count(rowId) != 0 && !currentFolder.empty()) {
                transfer.serverFolder = currentFolder;
                transfer.serverBatch.reset();
                engine->pendingStore().save(transfer);
            }
            const DrainEngine::Update update = [&](DrainPhase phase, double progress, const std::string &detail) {
                CardActivity row = rowOf(rowId, transfer.facts.sourceVolume, phase, RowState::plain, detail);
                row.progress = progress;
                show(row);
            };
            try {
                const std::optional<DrainEngine::Outcome> sent = engine->sendPending(transfer, update);
                if (!sent)
                    continue; // its own drain is sending it and shows its row
                const DrainEngine::Outcome &outcome = *sent;
                std::string detail = "Verified " + std::to_string(outcome.files) + " files in cache and server.";
                if (!outcome.notClearedReason.empty())
                    detail += " The card was not cleared: " + outcome.notClearedReason;
                CardActivity row = rowOf(rowId, transfer.facts.sourceVolume, DrainPhase::ready,
                                         outcome.notClearedReason.empty() ? RowState::plain : RowState::copiedNotCleared,
                                         detail);
                row.progress = 1.0;
                row.batchURL = outcome.batchURL;
                show(row);
            } catch (const CancellationError &) {
                throw;
            } catch (const DrainError &error) {
                if (error.kind() == DrainError::Kind::cacheGone)
                    show(rowOf(rowId, transfer.facts.sourceVolume, DrainPhase::failed, RowState::pendingGone,
                               error.what()));
                else if (error.kind() == DrainError::Kind::cacheChanged)
                    show(rowOf(rowId, transfer.facts.sourceVolume, DrainPhase::failed, RowState::pendingBroken,
                               error.what()));
                else {
                    anyWaiting = true;
                    show(waitingRow(rowId, transfer, currentFolder, clockText() + "."));
                }
            } catch (const std::exception &error) {
                anyWaiting = true;
                show(waitingRow(rowId, transfer, currentFolder, clockText() + ", " + error.what()));
            }
        }
    } catch (const CancellationError &) {
        return; // the program quits; the records stay for the next start
    } catch (const std::exception &) {
        anyWaiting = true; // the records could not be listed now; the next pass looks again
    }
    channel->post([sender, anyWaiting] { sender->passEnded(anyWaiting); });
}

} // namespace slatewick

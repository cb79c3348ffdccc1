#pragma once

#include "engine/drain/drainengine.h"
#include "engine/records/batchrecord.h"
#include "model/batchcheck.h"
#include "engine/records/notcleared.h"
#include "engine/records/pendingcause.h"
#include "engine/records/serverfolder.h"
#include "coordinator/traysummary.h"
#include "model/cardactivity.h"
#include "model/transferrate.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// A desktop notification: its summary line and its body.
struct Notice {
    QString title;
    QString body;
    bool operator==(const Notice &) const = default;
};

// Every text the program shows about drains, from typed events and outcomes:
// row titles, details and progress lines, notifications, the tray's title and
// tooltip, the server folder's problems and the launch-at-login message. Each
// is marked for translation here, so translators find them in one place.
class Presenter {
    Q_DECLARE_TR_FUNCTIONS(slatewick::Presenter)

public:
    static std::string utf8(const QString &text) { return text.toStdString(); }

    // Rows.
    static QString title(const CardActivity &row);
    static QString phaseText(DrainPhase phase);
    static QString gracePeriod(std::int64_t seconds);
    static QString countdown(std::int64_t secondsLeft);
    // The time of a try, to the second: a try that just ran must look different from the one before.
    static QString clockNow();
    static QString transfer(const TransferRate::Sample &sample);
    static QString event(const DrainEvent &event);
    // The one text of a batch verified in cache and server, whether by its drain or later.
    static QString verified(const DrainEngine::Outcome &outcome);
    // Why the card kept its files, as the end of a sentence.
    static QString notClearedReason(const NotCleared &why);
    static QString removedMidDrain();
    static QString skipped();
    static QString alreadyDrained(const std::string &batch, std::int64_t files);
    static QString waitingForServerFolder(const std::string &folder);
    // A batch safe in the cache waiting for the server. elsewhere: the folder it
    // waits for, where another one has been chosen since. lastTry: the time of day.
    static QString waitingForServer(std::int64_t bytes, const std::optional<PendingCause> &cause,
                                    const std::optional<std::filesystem::path> &elsewhere, const QString &lastTry,
                                    const std::vector<std::filesystem::path> &leftAttempts);
    static QString unreadableRecord(const std::string &problem, const std::filesystem::path &file);
    // A failed drain: the error's own sentence, or a plain one where there is none.
    static QString failure(const std::exception *error);
    static QString failure(const std::exception_ptr &error);
    // How a batch differs from its checksum file, naming a few files: "1 file missing (DCIM/a.jpg)".
    static QString differences(const BatchCheck &check);
    // Why a batch waiting for the server can no longer be sent.
    static QString notSendable(const BatchRecord &record);
    static QString takenOutBeforeCopied(const std::string &cardName);

    // Notifications.
    static Notice mayBeTakenOut(const std::string &cardName);
    static Notice onServer(const std::string &cardName, const std::string &detail);
    static Notice needsAttention(const std::string &cardName, const std::string &detail);

    // Tray and settings.
    static QString trayTitle(TraySummary summary);
    static QString toolTip(TraySummary summary, const std::string &cardName, const std::string &progressLine);
    static std::optional<QString> serverFolderProblem(ServerFolder::Availability availability);
    static QString launchAtLoginFailed(const std::string &reason);

private:
    static QString cacheChanged(const std::string &cacheBatch, const BatchCheck &changes);
    static QString leftAttemptsNote(const std::vector<std::filesystem::path> &left);
};

} // namespace slatewick

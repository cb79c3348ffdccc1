#include "coordinator/presenter.h"

#include <QTime>

#include "model/bytesize.h"
#include "model/drainerror.h"
#include "platform/filesystemerror.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>

namespace slatewick {

namespace {

QString text(const std::string &utf8) { return QString::fromStdString(utf8); }
QString sizeText(std::int64_t bytes) { return text(formattedSize(bytes)); }

// The count Qt's plural forms take.
int count(std::int64_t value) { return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX)); }
QString fileSystemFailure(const FileSystemError &error);

// The first three paths, then how many more.
QString nameList(const std::vector<std::string> &paths)
{
    constexpr std::size_t shown = 3;
    QStringList named;
    for (std::size_t i = 0; i < paths.size() && i < shown; ++i)
        named << text(paths[i]);
    QString list = named.join(QStringLiteral(", "));
    if (paths.size() > shown)
        list = Presenter::tr("%1 and %n more", nullptr, count(static_cast<std::int64_t>(paths.size() - shown))).arg(list);
    return list;
}

} // namespace

QString Presenter::phaseText(DrainPhase phase)
{
    switch (phase) {
    case DrainPhase::waiting: return tr("Waiting for card to settle");
    case DrainPhase::caching: return tr("Caching locally");
    case DrainPhase::copying: return tr("Copying to server");
    case DrainPhase::clearing: return tr("Clearing card");
    case DrainPhase::ready: return tr("Trap clean \u2014 card ready");
    case DrainPhase::failed: return tr("Needs attention");
    case DrainPhase::removed: return tr("Card removed");
    }
    return {};
}

QString Presenter::title(const CardActivity &row)
{
    switch (row.state) {
    case RowState::copiedNotCleared: return tr("Copied \u2014 card not cleared");
    case RowState::waitingForServerFolder: return tr("Waiting for the server folder");
    case RowState::pendingServerCopy:
    case RowState::pendingOtherFolder: return tr("Waiting for the server");
    case RowState::pendingBroken:
    case RowState::pendingGone: return tr("Not sent to the server");
    case RowState::skipped: return tr("Skipped");
    case RowState::alreadyDrained: return tr("Already drained");
    case RowState::plain:
    case RowState::gracePeriod:
    case RowState::takenOutEarly: break;
    }
    return phaseText(row.phase);
}

QString Presenter::gracePeriod(std::int64_t seconds)
{
    // English keeps the count's one form ("1 seconds" as written); translations may have more.
    return tr("Waiting %n seconds in case this was accidental", nullptr, count(seconds));
}

QString Presenter::countdown(std::int64_t secondsLeft)
{
    return tr("Starts in %1 s").arg(secondsLeft);
}

QString Presenter::transfer(const TransferRate::Sample &sample)
{
    QString line = tr("%1 of %2").arg(sizeText(sample.done), sizeText(sample.total));
    if (!sample.bytesPerSecond)
        return line;
    line += tr(" \u00b7 %1/s").arg(sizeText(*sample.bytesPerSecond));
    if (!sample.secondsLeft)
        return line;
    const std::int64_t left = *sample.secondsLeft;
    if (left < 60)
        return line + tr(" \u00b7 %1 s left").arg(left);
    if (left < 3600)
        return line + tr(" \u00b7 %1 min left").arg((left + 30) / 60);
    return line + tr(" \u00b7 %1 h %2 min left").arg(left / 3600).arg((left % 3600) / 60);
}

QString Presenter::event(const DrainEvent &event)
{
    switch (event.kind) {
    case DrainEvent::Kind::listed:
        return tr("Copying %n files into the local cache", nullptr, count(event.files));
    case DrainEvent::Kind::fileCopied:
        return tr("%1 of %n files", nullptr, count(event.files)).arg(event.file);
    case DrainEvent::Kind::clearing:
        return tr("Local cache verified; clearing card so it can be reused while the server copy continues");
    case DrainEvent::Kind::sending:
        return tr("Sending verified cache to %1").arg(text(event.folder.string()));
    }
    return {};
}

QString Presenter::notClearedReason(const NotCleared &why)
{
    switch (why.reason) {
    case NotCleared::Reason::historyMismatch: {
        if (why.files.size() == 1)
            return tr("a file does not match the card's own history: %1.").arg(text(why.files.front()));
        return tr("%n files do not match the card's own history: %1.", nullptr,
                  count(static_cast<std::int64_t>(why.files.size())))
            .arg(nameList(why.files));
    }
    case NotCleared::Reason::cacheInMemory:
        return tr("the local cache is kept in memory (%1) and would not survive a power cut.").arg(text(why.detail));
    case NotCleared::Reason::cacheBatchGone:
        return tr("its cache batch %1 is no longer there.").arg(text(why.detail));
    case NotCleared::Reason::takenOut:
        return tr("it was taken out.");
    case NotCleared::Reason::swapped:
        return tr("a different card is now in its place.");
    case NotCleared::Reason::filesLeft:
        if (why.count == 1)
            return tr("1 file appeared or changed after it was listed and was left on it.");
        return tr("%n files appeared or changed after they were listed and were left on it.", nullptr,
                  count(why.count));
    case NotCleared::Reason::lockedOrReadOnly:
        return tr("it is locked or read-only.");
    case NotCleared::Reason::clearingFailed:
        if (why.failure)
            return fileSystemFailure(
                FileSystemError(why.failure->operation, why.failure->path, why.failure->errorNumber));
        return text(why.detail);
    case NotCleared::Reason::recorded:
        return text(why.detail);
    }
    return {};
}

QString Presenter::leftAttemptsNote(const std::vector<std::filesystem::path> &left)
{
    QString note;
    for (const std::filesystem::path &folder : left)
        note += tr(" An earlier try was left at %1: it could not be proven to be this batch's own.")
                    .arg(text(folder.string()));
    return note;
}

QString Presenter::verified(const DrainEngine::Outcome &outcome)
{
    QString detail = tr("Verified %n files in cache and server.", nullptr, count(outcome.files));
    if (outcome.notCleared)
        detail += tr(" The card was not cleared: %1").arg(notClearedReason(*outcome.notCleared));
    else
        detail += tr(" Card is ready for reuse.");
    if (outcome.cacheSpaceUnchecked)
        detail += tr(" Free space unknown on the local cache; not checked.");
    if (outcome.serverSpaceUnchecked)
        detail += tr(" Free space unknown on the remote server; not checked.");
    return detail + leftAttemptsNote(outcome.leftAttempts);
}

QString Presenter::removedMidDrain()
{
    return tr("Card removed before the drain completed.");
}

QString Presenter::skipped()
{
    return tr("Not drained. Put the card in again to drain it.");
}

QString Presenter::alreadyDrained(const std::string &batch, std::int64_t files)
{
    return tr("Drained into %1 (%n files); left alone at start.", nullptr, count(files)).arg(text(batch));
}

QString Presenter::waitingForServerFolder(const std::string &folder)
{
    return tr("Drains when %1 is there again.").arg(text(folder));
}

QString Presenter::waitingForServer(std::int64_t bytes, const std::optional<PendingCause> &cause,
                                    const std::optional<std::filesystem::path> &elsewhere, const QString &lastTry,
                                    const std::vector<std::filesystem::path> &leftAttempts)
{
    QString detail = tr("Safe in the local cache (%1); ").arg(sizeText(bytes));
    const PendingCause::Kind kind = cause ? cause->kind : PendingCause::Kind::serverMissing;
    if (kind == PendingCause::Kind::noRoom)
        detail += tr("needs %1, %2 free on the server.").arg(sizeText(cause->needed), sizeText(cause->available));
    else if (kind == PendingCause::Kind::nestedBatch)
        detail += cause->failure ? failure(cause->failure.get()) : text(cause->message);
    else if (elsewhere)
        detail += tr("sent when %1 answers. Another server folder has been chosen since.").arg(text(elsewhere->string()));
    else
        detail += tr("sent when the server folder answers.");
    if (cause && kind == PendingCause::Kind::failed)
        detail += tr(" Last try: %1, %2").arg(lastTry, cause->failure ? failure(cause->failure.get()) : text(cause->message));
    else if (cause)
        detail += tr(" Last try: %1.").arg(lastTry);
    return detail + leftAttemptsNote(leftAttempts);
}

QString Presenter::unreadableRecord(const std::string &problem, const std::filesystem::path &file)
{
    return tr("The record of a batch could not be read (%1). It is kept at %2.").arg(text(problem), text(file.string()));
}

namespace {

// The two copies a check names, as the drain's errors name them.
QString copyName(const std::string &location)
{
    if (location == "local cache")
        return Presenter::tr("local cache");
    if (location == "remote server")
        return Presenter::tr("remote server");
    return QString::fromStdString(location);
}

// A failed file operation, worded from what was tried; the reason stays as the system gives it.
QString fileSystemFailure(const FileSystemError &error)
{
    static const std::map<std::string, const char *> sentences{
        {"read", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not read %1: %2")},
        {"read folder", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not read folder %1: %2")},
        {"read the free space of", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not read the free space of %1: %2")},
        {"list", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not list %1: %2")},
        {"open", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not open %1: %2")},
        {"copy", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not copy %1: %2")},
        {"copy into", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not copy into %1: %2")},
        {"create", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not create %1: %2")},
        {"create folder", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not create folder %1: %2")},
        {"write", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not write %1: %2")},
        {"flush", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not flush %1: %2")},
        {"flush folder", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not flush folder %1: %2")},
        {"remove", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not remove %1: %2")},
        {"lock", QT_TRANSLATE_NOOP("slatewick::Presenter", "Could not lock %1: %2")},
    };
    const auto found = sentences.find(error.operation());
    if (found == sentences.end())
        return text(error.what());
    return Presenter::tr(found->second).arg(text(error.path().string()), text(std::strerror(error.errorNumber())));
}

QString counted(std::size_t files, const char *one, const char *many)
{
    return Presenter::tr(files == 1 ? one : many, nullptr, count(static_cast<std::int64_t>(files)));
}


} // namespace

QString Presenter::differences(const BatchCheck &check)
{
    struct Kind {
        const std::vector<std::string> &files;
        const char *one;
        const char *many;
    };
    const Kind kinds[] = {
        {check.missing, QT_TR_N_NOOP("%n file missing"), QT_TR_N_NOOP("%n files missing")},
        {check.changed, QT_TR_N_NOOP("%n file changed"), QT_TR_N_NOOP("%n files changed")},
        {check.extra, QT_TR_N_NOOP("%n file not in the checksum file"), QT_TR_N_NOOP("%n files not in the checksum file")},
        {check.unreadable, QT_TR_N_NOOP("%n file unreadable"), QT_TR_N_NOOP("%n files unreadable")},
        {check.unlikeHistory, QT_TR_N_NOOP("%n file not as the ASC MHL history records it"),
         QT_TR_N_NOOP("%n files not as the ASC MHL history records them")},
    };
    QStringList parts;
    for (const Kind &kind : kinds) {
        if (!kind.files.empty())
            parts << counted(kind.files.size(), kind.one, kind.many) + QStringLiteral(" (") + nameList(kind.files) + u')';
    }
    if (!check.historyProblem.empty())
        parts << tr("an ASC MHL history that is not valid (%1)").arg(text(check.historyProblem));
    if (parts.size() < 2)
        return parts.join(QString());
    const QString last = parts.takeLast();
    return tr("%1 and %2", "the last of several differences").arg(parts.join(QStringLiteral(", ")), last);
}

QString Presenter::notSendable(const BatchRecord &record)
{
    if (record.cacheGone)
        return tr("The cache batch %1 is gone, so there is nothing left to send.").arg(text(record.cacheBatch.string()));
    if (record.changes)
        return cacheChanged(record.cacheBatch.string(), *record.changes);
    return text(record.problem); // a record written before its changes were kept
}

QString Presenter::cacheChanged(const std::string &cacheBatch, const BatchCheck &changes)
{
    if (changes.clean())
        return tr("The cache batch %1 no longer matches what was read from the card, so it is not sent.")
            .arg(text(cacheBatch));
    return tr("The cache batch %1 no longer matches what was read from the card, so it is not sent: %2.")
        .arg(text(cacheBatch), differences(changes));
}

QString Presenter::failure(const std::exception_ptr &error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const std::exception &thrown) {
        return failure(&thrown);
    } catch (...) {
    }
    return failure(static_cast<const std::exception *>(nullptr));
}

// The drain's own failures, worded from their case and facts.
QString Presenter::failure(const std::exception *error)
{
    if (!error)
        return tr("The drain failed for an unknown reason.");
    if (const auto *fileSystem = dynamic_cast<const FileSystemError *>(error))
        return fileSystemFailure(*fileSystem);
    const auto *drain = dynamic_cast<const DrainError *>(error);
    if (!drain)
        return text(error->what());
    const QString where = text(drain->location());
    using Kind = DrainError::Kind;
    switch (drain->kind()) {
    case Kind::verificationFailed:
        return tr("The copied files at %1 did not match the source.").arg(copyName(drain->location()));
    case Kind::sourceUnavailable:
        return tr("The card was removed before draining could finish.");
    case Kind::remoteUnavailable:
        return tr("The card is safely cached, but the remote server folder is currently unavailable.");
    case Kind::noFiles:
        return tr("No transferable files were found on the card.");
    case Kind::unsafeTemplate:
        return tr("The naming template produced an unsafe folder name.");
    case Kind::cacheGone:
        return tr("The cache batch %1 is gone, so there is nothing left to send.").arg(where);
    case Kind::changedWhileRead:
        return tr("The file %1 changed on the card while it was being copied, so nothing was cleared. Insert the "
                  "card again to drain it.")
            .arg(where);
    case Kind::reservedName:
        return tr("The card holds %1 at its top level, a name Slatewick keeps for its own records. Rename or move "
                  "it, then put the card in again.")
            .arg(where);
    case Kind::noRoom:
        if (drain->location() == "local cache")
            return tr("Not enough room: the card needs %1, %2 free on the local cache. Nothing was copied; the card "
                      "is untouched.")
                .arg(text(formattedSize(drain->needed())), text(formattedSize(drain->available())));
        return tr("The card is safely cached, but there is not enough room: the batch needs %1, %2 free on the "
                  "remote server.")
            .arg(text(formattedSize(drain->needed())), text(formattedSize(drain->available())));
    case Kind::cacheChanged:
        if (drain->changes())
            return cacheChanged(drain->location(), *drain->changes());
        break;
    case Kind::nestedBatch:
        if (drain->onServer())
            return tr("On the server its batch would go to %1, inside the batch %2; it waits in the local cache until "
                      "the naming template or the server folder changes.")
                .arg(text(drain->inner()), where);
        return tr("The naming template puts this card's batch at %1, inside the batch %2. Nothing was copied and the "
                  "card is untouched; change the template so that batches stand side by side.")
            .arg(text(drain->inner()), where);
    case Kind::notAHistory:
        return tr("The entry ascmhl at the top of the card is not an ASC MHL history: %1. Nothing was copied; the "
                  "card is untouched.")
            .arg(where);
    }
    return text(error->what());
}

QString Presenter::takenOutBeforeCopied(const std::string &cardName)
{
    return tr("%1 was taken out before it was copied; nothing was cleared.").arg(text(cardName));
}

Notice Presenter::mayBeTakenOut(const std::string &cardName)
{
    return {tr("%1 can be taken out").arg(text(cardName)),
            tr("Safe in the local cache; the server copy continues from there.")};
}

Notice Presenter::onServer(const std::string &cardName, const std::string &detail)
{
    return {tr("%1 is on the server").arg(text(cardName)), text(detail)};
}

Notice Presenter::needsAttention(const std::string &cardName, const std::string &detail)
{
    return {tr("%1 needs attention").arg(text(cardName)), text(detail)};
}

QString Presenter::trayTitle(TraySummary summary)
{
    switch (summary) {
    case TraySummary::attention: return tr("Slatewick: Attention");
    case TraySummary::draining: return tr("Slatewick: Draining");
    case TraySummary::clean: return tr("Slatewick: Clean");
    case TraySummary::ready: return tr("Slatewick: Ready");
    case TraySummary::setup: return tr("Slatewick: Setup");
    }
    return {};
}

QString Presenter::toolTip(TraySummary summary, const std::string &cardName, const std::string &progressLine)
{
    if (progressLine.empty())
        return trayTitle(summary);
    return tr("%1 \u2014 %2: %3").arg(trayTitle(summary), text(cardName), text(progressLine));
}

std::optional<QString> Presenter::serverFolderProblem(ServerFolder::Availability availability)
{
    switch (availability) {
    case ServerFolder::Availability::missing:
        return tr("This folder is not there. If it is on a server, the share may not be mounted.");
    case ServerFolder::Availability::elsewhere:
        return tr("This folder is not on the file system it was on when it was chosen. Mount its share, or choose "
                  "the folder again if the share itself changed.");
    case ServerFolder::Availability::available:
        break;
    }
    return std::nullopt;
}

QString Presenter::launchAtLoginFailed(const std::string &reason)
{
    return tr("Launch at login could not be enabled: %1").arg(text(reason));
}

QString Presenter::clockNow()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace slatewick

#include "coordinator/upkeeppresenter.h"

#include "coordinator/presenter.h"
#include "model/bytesize.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace slatewick {

namespace {

QString fromUtf8(const std::string &utf8) { return QString::fromStdString(utf8); }
QString sizeOf(std::int64_t bytes) { return fromUtf8(formattedSize(bytes)); }
int countOf(std::size_t value) { return static_cast<int>(std::min<std::size_t>(value, INT_MAX)); }

} // namespace

QString UpkeepPresenter::cacheSummary(const CacheSurvey &survey)
{
    if (!survey.room.known)
        return tr("The cache holds %1; the free space on its disk is unknown.").arg(sizeOf(survey.heldBytes));
    return tr("The cache holds %1; %2 free on its disk.").arg(sizeOf(survey.heldBytes), sizeOf(survey.room.available));
}

QString UpkeepPresenter::cacheWarning(const CacheSurvey &survey)
{
    if (!survey.roomIsShort())
        return {};
    return tr("Less room is left than the largest of the last five batches took (%1): free some cache space before "
              "the next card.")
        .arg(sizeOf(survey.largestRecent));
}

QString UpkeepPresenter::whyKept(const KeptBatch &kept)
{
    using Why = KeptBatch::Why;
    const QString where = fromUtf8(kept.where.string());
    switch (kept.why) {
    case Why::noRecord: return tr("it has no record of reaching the server.");
    case Why::alreadyFreed: return tr("it was freed already.");
    case Why::notOnServer: return tr("it is not on the server yet.");
    case Why::serverFolderUnavailable: return tr("its server folder is not available.");
    case Why::serverBatchMissing: return tr("its server batch %1 is missing.").arg(where);
    case Why::serverBatchElsewhere: return tr("its server batch is not on the server folder's file system.");
    case Why::serverBatchOnCacheDisk: return tr("its server batch lies on the cache's own disk.");
    case Why::serverBatchDiffers: return tr("Server batch: %1.").arg(Presenter::differences(kept.check));
    case Why::serverBatchUnchecked:
        return tr("its server batch could not be checked: %1.").arg(Presenter::failure(kept.error));
    case Why::recordChanged: return tr("its record changed while it was checked.");
    case Why::strayFilesStay: return tr("files that were not part of it stay in %1.").arg(where);
    case Why::failed: return Presenter::failure(kept.error) + u'.';
    case Why::holdsBatch: return tr("it holds a batch.");
    case Why::holdsBatchRecords: return tr("it holds a batch's records.");
    }
    return {};
}

QString UpkeepPresenter::freeing(const FreeingStatus &status)
{
    using Stage = FreeingStatus::Stage;
    switch (status.stage) {
    case Stage::none: return {};
    case Stage::checkingServer: return tr("Checking the server batches\u2026");
    case Stage::removing: return tr("Removing\u2026");
    case Stage::noThread: return tr("Freeing could not be started: the system has no thread to spare.");
    case Stage::done: break;
    }
    const FreeingReport &report = status.report;
    const std::size_t removed = report.removed.size();
    QStringList parts;
    if (report.incompleteFolders) {
        parts << (removed == 1 ? tr("Removed %n incomplete folder.", nullptr, countOf(removed))
                               : tr("Removed %n incomplete folders.", nullptr, countOf(removed)));
        for (const KeptBatch &kept : report.kept)
            parts << tr("Kept %1: %2").arg(fromUtf8(kept.folder.filename().string()), whyKept(kept));
    } else {
        if (removed == 0)
            parts << tr("Nothing was removed.");
        else
            parts << (removed == 1 ? tr("Removed %n batch (%1).", nullptr, countOf(removed))
                                   : tr("Removed %n batches (%1).", nullptr, countOf(removed)))
                         .arg(sizeOf(report.freedBytes));
        if (!report.kept.empty()) {
            const std::size_t kept = report.kept.size();
            parts << (kept == 1 ? tr("Kept %n batch:", nullptr, countOf(kept)) : tr("Kept %n batches:", nullptr, countOf(kept)));
            for (const KeptBatch &one : report.kept)
                parts << fromUtf8(one.folder.filename().string()) + QStringLiteral(": ") + whyKept(one);
        }
    }
    if (report.stopped)
        parts << tr("Nothing more was removed: %1.").arg(Presenter::failure(report.stopped));
    return parts.join(u' ');
}

QString UpkeepPresenter::checked(const QString &which, const CheckedBatch &batch)
{
    switch (batch.result) {
    case CheckedBatch::Result::failed:
        return tr("%1: could not be checked: %2.").arg(which, Presenter::failure(batch.error));
    case CheckedBatch::Result::notReachable:
        return tr("%1: not reachable at %2.").arg(which, fromUtf8(batch.folder.string()));
    case CheckedBatch::Result::checked: break;
    }
    const BatchCheck &check = batch.check;
    if (!check.clean())
        return tr("%1: %2.").arg(which, Presenter::differences(check));
    if (check.listed == 1)
        return tr("%1: the 1 listed file matches.").arg(which);
    return tr("%1: all %n files match.", nullptr, countOf(static_cast<std::size_t>(std::max<std::int64_t>(check.listed, 0))))
        .arg(which);
}

QString UpkeepPresenter::recheck(const std::optional<RecheckStatus> &status)
{
    if (!status)
        return {};
    switch (status->stage) {
    case RecheckStatus::Stage::checking: return tr("Checking\u2026");
    case RecheckStatus::Stage::noThread: return tr("The check could not be started: the system has no thread to spare.");
    case RecheckStatus::Stage::done: break;
    }
    QStringList parts;
    if (status->result.cache)
        parts << checked(tr("Cache batch"), *status->result.cache);
    if (status->result.server)
        parts << checked(tr("Server batch"), *status->result.server);
    return parts.join(u' ');
}

} // namespace slatewick

#pragma once

#include "coordinator/upkeepstatus.h"
#include "engine/upkeep/cachesurvey.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

namespace slatewick {

// The texts of the cache's upkeep: its figures, what "Free cache space" did and
// what "Check again" found, each marked for translation here.
class UpkeepPresenter {
    Q_DECLARE_TR_FUNCTIONS(slatewick::UpkeepPresenter)

public:
    // "The cache holds 12.4 GB; 80.1 GB free on its disk."
    static QString cacheSummary(const CacheSurvey &survey);
    // Why the next card may not fit; empty while there is room.
    static QString cacheWarning(const CacheSurvey &survey);
    // "Removed 2 batches (3.1 GB). Kept 1 batch: …", or the stage under way; empty before any.
    static QString freeing(const FreeingStatus &status);
    // "Cache batch: all 12 files match. Server batch: …", or the stage; empty before any check.
    static QString recheck(const std::optional<RecheckStatus> &status);
    // One kept folder's reason, as the end of a sentence.
    static QString whyKept(const KeptBatch &kept);

private:
    static QString checked(const QString &which, const CheckedBatch &batch);
};

} // namespace slatewick

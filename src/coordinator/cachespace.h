#pragma once

#include "coordinator/backgroundtask.h"
#include "coordinator/upkeepstatus.h"
#include "engine/upkeep/cachesurvey.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace slatewick {

class DrainEngine;

// The cache's size, the room left on its disk and "Free cache space", each
// read or done on a background task: the server batches are read back, which
// may take long or stall. Quitting never waits for one; its result is dropped.
class CacheSpace final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CacheSpace)

public:
    explicit CacheSpace(std::shared_ptr<DrainEngine> engine, QObject *parent = nullptr);

    // Reads the cache again; a read already under way is not doubled.
    void reload();
    bool loading() const { return m_read.running(); }
    // None before the first read has answered.
    const std::optional<CacheSurvey> &survey() const { return m_survey; }

    // Removes these cache batches where their server batches prove them, then reads the cache again.
    void free(std::vector<std::filesystem::path> batches);
    // Removes folders no drain finished (see removeIncompleteBatch), then reads the cache again.
    void removeIncomplete(std::vector<std::filesystem::path> folders);
    bool freeing() const { return m_freeing.running(); }
    // The last freeing's outcome, or the stage it is at.
    const FreeingStatus &report() const { return m_report; }

signals:
    void changed();
    // A freeing or a removal has ended: batch records may say freed.
    void freed();

private:
    void runAndReload(std::function<FreeingReport()> work, FreeingStatus::Stage underWay);

    std::shared_ptr<DrainEngine> m_engine;
    BackgroundTask<std::optional<CacheSurvey>> m_read;
    BackgroundTask<FreeingReport> m_freeing;
    std::optional<CacheSurvey> m_survey;
    FreeingStatus m_report;
};

} // namespace slatewick

#pragma once

#include "coordinator/backgroundtask.h"
#include "coordinator/upkeepstatus.h"
#include "engine/upkeep/batchhistory.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

class DrainEngine;

// The recent batches, from their records, and the outcome of "Check again", both read
// on background tasks: a cache or server on a stalled share never holds the main
// thread, and quitting never waits for one (its late result is dropped).
class RecentBatches final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentBatches)

public:
    static constexpr std::size_t shownBatches = 20;

    explicit RecentBatches(std::shared_ptr<DrainEngine> engine, QObject *parent = nullptr);

    // Reads the batch records again; a read already under way is not doubled.
    void reload();
    bool loading() const { return m_read.running(); }
    const std::vector<RecentBatch> &batches() const { return m_batches; }

    // Checks the batch of this folder again, with its server batch where there is one.
    void recheck(const std::filesystem::path &folder);
    // Under way or done; nothing before the first check.
    std::optional<RecheckStatus> report(const std::filesystem::path &folder) const;

signals:
    void changed();

private:
    std::shared_ptr<DrainEngine> m_engine;
    BackgroundTask<std::vector<RecentBatch>> m_read;
    std::vector<RecentBatch> m_batches;
    std::map<std::filesystem::path, RecheckStatus> m_reports;
    // One check per batch folder, so a batch on a stalled share holds up no other.
    std::map<std::filesystem::path, std::unique_ptr<BackgroundTask<Recheck>>> m_checks;
};

} // namespace slatewick

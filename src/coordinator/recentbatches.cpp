#include "coordinator/recentbatches.h"

#include "engine/upkeep/batchchecking.h"
#include "engine/drain/drainengine.h"


namespace slatewick {

RecentBatches::RecentBatches(std::shared_ptr<DrainEngine> engine, QObject *parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_read(
          [this](std::vector<RecentBatch> batches) {
              m_batches = std::move(batches);
              emit changed();
          },
          [engine = m_engine] { return recentBatches(engine->ledger().all(), shownBatches); })
{
}

void RecentBatches::reload()
{
    m_read.request();
    emit changed();
}

void RecentBatches::recheck(const std::filesystem::path &folder)
{
    const auto found = m_reports.find(folder);
    if (found != m_reports.end() && found->second.stage == RecheckStatus::Stage::checking)
        return;
    std::optional<std::filesystem::path> server;
    bool freed = false;
    for (const RecentBatch &batch : m_batches) {
        if (batch.folder == folder && !batch.manifest.remotePath.empty())
            server = batch.manifest.remotePath;
        freed = freed || (batch.folder == folder && batch.freed());
    }
    std::unique_ptr<BackgroundTask<Recheck>> &check = m_checks[folder];
    if (!check) {
        check = std::make_unique<BackgroundTask<Recheck>>([this, folder](Recheck result) {
            m_reports[folder] = {RecheckStatus::Stage::done, std::move(result)};
            emit changed();
        });
    }
    // A freed batch is checked on the server against the checksum file it carries.
    const bool started =
        check->request([folder, server, freed] { return slatewick::recheck(freed ? std::nullopt : std::optional(folder), server); });
    m_reports[folder] = {started ? RecheckStatus::Stage::checking : RecheckStatus::Stage::noThread, {}};
    emit changed();
}

std::optional<RecheckStatus> RecentBatches::report(const std::filesystem::path &folder) const
{
    const auto found = m_reports.find(folder);
    return found == m_reports.end() ? std::nullopt : std::optional(found->second);
}

} // namespace slatewick

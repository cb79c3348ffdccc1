#include "coordinator/recentbatches.h"

#include "engine/upkeep/batchcheck.h"
#include "engine/drain/drainengine.h"

#include <optional>

namespace slatewick {

namespace {

const std::string checking = "Checking\u2026";

} // namespace

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
    std::string &current = m_reports[folder];
    if (current == checking)
        return;
    std::optional<std::filesystem::path> server;
    bool freed = false;
    for (const RecentBatch &batch : m_batches) {
        if (batch.folder == folder && !batch.manifest.remotePath.empty())
            server = batch.manifest.remotePath;
        freed = freed || (batch.folder == folder && batch.freed());
    }
    current = checking;
    std::unique_ptr<BackgroundTask<std::string>> &check = m_checks[folder];
    if (!check) {
        check = std::make_unique<BackgroundTask<std::string>>([this, folder](std::string report) {
            m_reports[folder] = std::move(report);
            emit changed();
        });
    }
    // A freed batch is checked on the server against the checksum file it carries.
    if (!check->request([folder, server, freed] { return recheckReport(freed ? std::nullopt : std::optional(folder), server); }))
        current = "The check could not be started: the system has no thread to spare.";
    emit changed();
}

std::string RecentBatches::report(const std::filesystem::path &folder) const
{
    const auto found = m_reports.find(folder);
    return found == m_reports.end() ? std::string() : found->second;
}

} // namespace slatewick

#include "coordinator/recentbatches.h"

#include "coordinator/detachedwork.h"
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
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_read(m_channel,
             [engine = m_engine]() -> std::vector<RecentBatch> {
                 return recentBatches(engine->ledger().all(), shownBatches);
             },
             [this](std::vector<RecentBatch> batches) {
                 m_batches = std::move(batches);
                 emit changed();
             })
{
}

RecentBatches::~RecentBatches()
{
    m_channel->abandon();
}

void RecentBatches::reload()
{
    m_read.start();
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
    const bool started = runDetached([channel = m_channel, folder, server, freed, self = this] {
        // A freed batch is checked on the server against the checksum file it carries.
        std::string report = recheckReport(freed ? std::nullopt : std::optional(folder), server);
        channel->post([self, folder, report = std::move(report)] {
            self->m_reports[folder] = report;
            emit self->changed();
        });
    });
    if (!started)
        current = "The check could not be started: the system has no thread to spare.";
    emit changed();
}

std::string RecentBatches::report(const std::filesystem::path &folder) const
{
    const auto found = m_reports.find(folder);
    return found == m_reports.end() ? std::string() : found->second;
}

} // namespace slatewick

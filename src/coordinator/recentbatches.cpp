#include "coordinator/recentbatches.h"

#include "coordinator/detachedwork.h"
#include "engine/batchcheck.h"

#include <optional>

namespace slatewick {

namespace {

const std::string checking = "Checking\u2026";

} // namespace

RecentBatches::RecentBatches(CacheRoot cacheRoot, QObject *parent)
    : QObject(parent)
    , m_cacheRoot(std::move(cacheRoot))
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_read(m_channel,
             [cacheRoot = m_cacheRoot]() -> std::vector<BatchRecord> {
                 try {
                     return recentBatches(cacheRoot(), shownBatches);
                 } catch (const std::exception &) {
                     return {}; // no cache folder to be had: no batches to show
                 }
             },
             [this](std::vector<BatchRecord> batches) {
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
    for (const BatchRecord &record : m_batches) {
        if (record.folder == folder && !record.manifest.remotePath.empty())
            server = record.manifest.remotePath;
    }
    current = checking;
    const bool started = runDetached([channel = m_channel, folder, server, self = this] {
        std::string report = recheckReport(folder, server);
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

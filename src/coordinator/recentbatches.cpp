#include "coordinator/recentbatches.h"

#include "coordinator/detachedwork.h"
#include "coordinator/reportchannel.h"
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
{
}

RecentBatches::~RecentBatches()
{
    m_channel->abandon();
}

void RecentBatches::reload()
{
    if (m_loading) {
        m_reloadAgain = true;
        return;
    }
    m_loading = runDetached([channel = m_channel, cacheRoot = m_cacheRoot, self = this] {
        std::vector<BatchRecord> batches;
        try {
            batches = recentBatches(cacheRoot(), shownBatches);
        } catch (const std::exception &) {
            // No cache folder to be had: no batches to show.
        }
        channel->post([self, batches = std::move(batches)]() mutable {
            self->m_batches = std::move(batches);
            self->m_loading = false;
            emit self->changed();
            if (std::exchange(self->m_reloadAgain, false))
                self->reload();
        });
    });
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

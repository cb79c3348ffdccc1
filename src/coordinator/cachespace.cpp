#include "coordinator/cachespace.h"

#include "coordinator/detachedwork.h"

#include <utility>

namespace slatewick {

CacheSpace::CacheSpace(CacheRoot cacheRoot, ServerFolderPath serverFolder, std::filesystem::path stateFolder,
                       QObject *parent)
    : QObject(parent)
    , m_cacheRoot(std::move(cacheRoot))
    , m_serverFolder(std::move(serverFolder))
    , m_stateFolder(std::move(stateFolder))
    , m_channel(std::make_shared<ReportChannel>(this))
    , m_read(m_channel,
             [cacheRoot = m_cacheRoot]() -> std::optional<CacheSurvey> {
                 try {
                     return surveyCache(cacheRoot());
                 } catch (const std::exception &) {
                     return std::nullopt; // no cache folder to be had: nothing to show
                 }
             },
             [this](std::optional<CacheSurvey> survey) {
                 m_survey = std::move(survey);
                 emit changed();
             })
{
}

CacheSpace::~CacheSpace()
{
    m_channel->abandon();
}

void CacheSpace::reload()
{
    m_read.start();
    emit changed();
}

void CacheSpace::free(std::vector<std::filesystem::path> batches)
{
    if (m_freeing || batches.empty())
        return;
    m_freeing = runDetached([channel = m_channel, batches = std::move(batches), server = m_serverFolder(),
                             state = m_stateFolder, self = this] {
        std::string report;
        try {
            report = freeCacheBatches(batches, server, state).sentence();
        } catch (const std::exception &error) {
            report = std::string("Nothing more was removed: ") + error.what() + ".";
        }
        channel->post([self, report = std::move(report)] {
            self->m_report = report;
            self->m_freeing = false;
            self->reload();
        });
    });
    m_report = m_freeing ? "Checking the server batches\u2026"
                         : "Freeing could not be started: the system has no thread to spare.";
    emit changed();
}

} // namespace slatewick

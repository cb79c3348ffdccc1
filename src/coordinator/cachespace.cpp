#include "coordinator/cachespace.h"

#include "engine/drain/drainengine.h"

#include <utility>

namespace slatewick {

CacheSpace::CacheSpace(std::shared_ptr<DrainEngine> engine, QObject *parent)
    : QObject(parent)
    , m_engine(std::move(engine))
    , m_read(
          [this](std::optional<CacheSurvey> survey) {
              m_survey = std::move(survey);
              emit changed();
          },
          [engine = m_engine]() -> std::optional<CacheSurvey> {
              try {
                  // Looking at the cache does not create it.
                  return surveyCache(engine->cacheFolder(), engine->ledger().all());
              } catch (const std::exception &) {
                  return std::nullopt; // no cache folder to be had: nothing to show
              }
          })
    , m_freeing([this](std::string report) {
        m_report = std::move(report);
        reload();
        emit freed();
    })
{
}

void CacheSpace::reload()
{
    m_read.request();
    emit changed();
}

void CacheSpace::free(std::vector<std::filesystem::path> batches)
{
    if (batches.empty())
        return;
    runAndReload(
        [engine = m_engine, batches = std::move(batches)] {
            return freeCacheBatches(engine->ledger(), batches, engine->stateFolder()).sentence();
        },
        "Checking the server batches\u2026");
}

void CacheSpace::removeIncomplete(std::vector<std::filesystem::path> folders)
{
    runAndReload(
        [engine = m_engine, folders = std::move(folders)] {
            std::size_t removed = 0;
            std::string kept;
            for (const std::filesystem::path &folder : folders) {
                if (const std::optional<std::string> why = removeIncompleteBatch(engine->ledger(), folder))
                    kept += " Kept " + folder.filename().string() + ": " + *why;
                else
                    ++removed;
            }
            return "Removed " + std::to_string(removed) + (removed == 1 ? " incomplete folder." : " incomplete folders.")
                   + kept;
        },
        "Removing\u2026");
}

void CacheSpace::runAndReload(std::function<std::string()> work, std::string underWay)
{
    if (m_freeing.running())
        return;
    const bool started = m_freeing.request([work = std::move(work)] {
        try {
            return work();
        } catch (const std::exception &error) {
            return std::string("Nothing more was removed: ") + error.what() + ".";
        }
    });
    m_report = started ? std::move(underWay) : "Freeing could not be started: the system has no thread to spare.";
    emit changed();
}

} // namespace slatewick

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
    , m_freeing([this](FreeingReport report) {
        m_report = {FreeingStatus::Stage::done, std::move(report)};
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
            return freeCacheBatches(engine->ledger(), batches, engine->stateFolder());
        },
        FreeingStatus::Stage::checkingServer);
}

void CacheSpace::removeIncomplete(std::vector<std::filesystem::path> folders)
{
    runAndReload(
        [engine = m_engine, folders = std::move(folders)] {
            FreeingReport report;
            report.incompleteFolders = true;
            for (const std::filesystem::path &folder : folders) {
                try {
                    if (const std::optional<KeptBatch::Why> why = removeIncompleteBatch(engine->ledger(), folder))
                        report.kept.push_back(KeptBatch{folder, *why, {}, {}, {}});
                    else
                        report.removed.push_back(folder);
                } catch (const std::exception &) {
                    report.stopped = std::current_exception();
                    break;
                }
            }
            return report;
        },
        FreeingStatus::Stage::removing);
}

void CacheSpace::runAndReload(std::function<FreeingReport()> work, FreeingStatus::Stage underWay)
{
    if (m_freeing.running())
        return;
    const bool started = m_freeing.request([work = std::move(work)] {
        try {
            return work();
        } catch (const std::exception &) {
            FreeingReport report;
            report.stopped = std::current_exception();
            return report;
        }
    });
    m_report = {started ? underWay : FreeingStatus::Stage::noThread, {}};
    emit changed();
}

} // namespace slatewick

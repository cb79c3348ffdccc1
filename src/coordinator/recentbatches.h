#pragma once

#include "coordinator/workerread.h"
#include "engine/batchhistory.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace slatewick {

// The recent batches of the cache and the outcome of "Check again", both read
// on worker threads: a cache or server on a stalled share never holds the main
// thread, and quitting never waits for a worker (its late result is dropped).
class RecentBatches final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RecentBatches)

public:
    static constexpr std::size_t shownBatches = 20;
    // Called on a worker: may create the cache folder or throw.
    using CacheRoot = std::function<std::filesystem::path()>;

    explicit RecentBatches(CacheRoot cacheRoot, QObject *parent = nullptr);
    ~RecentBatches() override;

    // Reads the manifests again; a read already under way is not doubled.
    void reload();
    bool loading() const { return m_read.running(); }
    const std::vector<BatchRecord> &batches() const { return m_batches; }

    // Checks the batch of this folder again, with its server batch where there is one.
    void recheck(const std::filesystem::path &folder);
    // "Checking…" while under way, the report once done, empty before.
    std::string report(const std::filesystem::path &folder) const;

signals:
    void changed();

private:
    CacheRoot m_cacheRoot;
    std::shared_ptr<ReportChannel> m_channel;
    WorkerRead<std::vector<BatchRecord>> m_read;
    std::vector<BatchRecord> m_batches;
    std::map<std::filesystem::path, std::string> m_reports;
};

} // namespace slatewick

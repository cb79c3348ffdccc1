// Batches that have no record yet: pending records of an earlier version, and
// verified batch folders without a record (made before records existed, or by a
// drain killed between its checksum file and its record). Looked for once a run.
#include "engine/drain/drainengine.h"

#include "engine/upkeep/batchhistory.h"
#include "engine/records/batchrecords.h"
#include "engine/files/checksumlist.h"
#include "platform/fileops.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

// Batch folders sit this deep at most below the cache root: the template's subfolders and the batch.
constexpr int maximumDepth = 4;

struct AlreadyRecorded {};

// A batch whose manifest names its server batch is on the server; the server
// folder is the server batch's path less the batch's own components.
void takeManifest(BatchRecord &record, const BatchManifest &manifest, const fs::path &cacheRoot)
{
    record.facts = manifest;
    record.facts.cachePath = record.cacheBatch.string();
    if (manifest.remotePath.empty())
        return;
    record.state = BatchState::onServer;
    record.serverBatch = manifest.remotePath;
    fs::path folder = record.serverBatch;
    for ([[maybe_unused]] const auto &component : record.cacheBatch.lexically_relative(cacheRoot))
        folder = folder.parent_path();
    record.serverFolder = folder;
}

void collectBatches(const fs::path &folder, int depth, std::vector<fs::path> &batches)
{
    std::error_code error;
    if (fs::is_regular_file(folder / BatchManifest::fileName, error) || fs::is_regular_file(folder / checksumFileName, error)) {
        batches.push_back(folder);
        return;
    }
    if (depth >= maximumDepth)
        return;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error) && !it->path().filename().string().starts_with('.'))
            collectBatches(it->path(), depth + 1, batches);
    }
}

bool recorded(const BatchLedger &ledger, const fs::path &cacheBatch)
{
    const std::vector<BatchRecord> records = ledger.all();
    return std::any_of(records.begin(), records.end(),
                       [&](const BatchRecord &record) { return record.cacheBatch == cacheBatch; });
}

} // namespace

void DrainEngine::adoptEarlierRecords()
{
    if (!m_ledger.enabled())
        return;
    m_ledger.releaseAbandonedClaims();
    // Once a run: a verified batch whose record was never written (a kill between its
    // checksum file and its record, or an earlier version) is found at the next start.
    if (m_adopted)
        return;
    const fs::path cacheRoot = cacheFolder();
    // Under the ledger's locks, so a drain that records its batch meanwhile is never adopted twice.
    const auto adopt = [&](BatchRecord record) {
        try {
            m_ledger.create(record, {}, [&] {
                if (recorded(m_ledger, record.cacheBatch))
                    throw AlreadyRecorded();
            });
        } catch (const AlreadyRecorded &) {
        }
    };
    const fs::path pendingFolder = m_options.stateFolder / "pending";
    std::error_code error;
    for (fs::directory_iterator it(pendingFolder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path file = it->path();
        if (file.extension() != ".json" || file.filename().string().starts_with('.'))
            continue;
        BatchRecord record;
        try {
            record = BatchRecord::fromPendingRecord(fileops::readFile(file));
        } catch (const std::exception &) {
            continue; // unreadable: kept where it is
        }
        // A pending record may outlive its finished batch (a crash before it was removed).
        try {
            takeManifest(record, decodeManifest(fileops::readFile(record.cacheBatch / BatchManifest::fileName)),
                         cacheRoot);
        } catch (const std::exception &) {
        }
        adopt(record);
        fileops::removeFileIfPresent(file);
    }
    std::vector<fs::path> batches;
    std::set<fs::path> known;
    for (const BatchRecord &record : m_ledger.all())
        known.insert(record.cacheBatch);
    for (fs::directory_iterator it(cacheRoot, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error) && !it->path().filename().string().starts_with('.'))
            collectBatches(it->path(), 1, batches);
    }
    for (const fs::path &batch : batches) {
        if (known.count(batch) != 0)
            continue;
        BatchRecord record;
        record.cacheBatch = batch;
        record.batchName = batch.lexically_relative(cacheRoot).string();
        record.facts.sourceVolume = batch.filename().string();
        record.facts.cachePath = batch.string();
        try {
            takeManifest(record, decodeManifest(fileops::readFile(batch / BatchManifest::fileName)), cacheRoot);
        } catch (const std::exception &) {
            // Only its checksum file: verified, never sent. It goes to the folder chosen now.
            try {
                for (const ChecksumEntry &entry : parseChecksumText(fileops::readFile(batch / checksumFileName))) {
                    ++record.facts.files;
                    record.facts.bytes += static_cast<std::int64_t>(fs::file_size(batch / entry.path, error));
                }
            } catch (const std::exception &) {
                continue; // neither record readable: not a batch to send
            }
        }
        adopt(record);
    }
    m_adopted = true;
}

} // namespace slatewick

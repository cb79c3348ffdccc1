#include "engine/upkeep/cachesurvey.h"

#include "engine/upkeep/batchhistory.h"
#include "engine/records/batchrecords.h"
#include "platform/fileops.h"
#include "platform/uniquefd.h"

#include <fcntl.h>

#include <algorithm>
#include <map>
#include <system_error>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t recentCount = 5;

using Records = std::map<fs::path, const BatchRecord *>;

// Adds the batches below folder to found; true when it holds a complete batch at any depth.
bool collect(const fs::path &folder, const Records &records, std::vector<CacheBatch> &found, std::int64_t &bytes)
{
    const fs::path manifestFile = folder / BatchManifest::fileName;
    std::error_code error;
    const auto record = records.find(folder);
    if (record != records.end() || fs::is_regular_file(manifestFile, error)
        || fs::is_regular_file(folder / checksumFileName, error)) {
        CacheBatch batch{folder, treeBytes(folder), true, {}, false, false};
        if (record != records.end()) {
            batch.manifest = record->second->facts;
            batch.onServer = record->second->state == BatchState::onServer;
        } else {
            try {
                batch.manifest = decodeManifest(fileops::readFile(manifestFile));
            } catch (const std::exception &) {
                // Verified, its manifest not written yet: a batch still, never offered.
                batch.manifest.sourceVolume = folder.filename().string();
            }
        }
        batch.serverBatchThere = batch.onServer && fileops::exists(batch.manifest.remotePath);
        bytes += batch.bytes;
        found.push_back(std::move(batch));
        return true;
    }
    std::vector<CacheBatch> below;
    std::int64_t here = 0;
    bool holdsBatch = false;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        const fs::file_status status = it->symlink_status(entryError);
        if (fs::is_directory(status))
            holdsBatch = collect(it->path(), records, below, here) || holdsBatch;
        else if (fs::is_regular_file(status))
            here += static_cast<std::int64_t>(it->file_size(entryError));
    }
    bytes += here;
    if (holdsBatch)
        found.insert(found.end(), below.begin(), below.end());
    else
        found.push_back(CacheBatch{folder, here, false, {}, false, false});
    return holdsBatch;
}

int rank(const CacheBatch &batch)
{
    return batch.offered() ? 0 : batch.complete ? 1 : 2;
}

} // namespace

std::int64_t treeBytes(const fs::path &folder)
{
    std::int64_t bytes = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        std::error_code entryError;
        if (it->is_regular_file(entryError) && !it->is_symlink(entryError))
            bytes += static_cast<std::int64_t>(it->file_size(entryError));
    }
    return bytes;
}

std::vector<CacheBatch> CacheSurvey::offered() const
{
    std::vector<CacheBatch> batches;
    std::copy_if(this->batches.begin(), this->batches.end(), std::back_inserter(batches),
                 [](const CacheBatch &batch) { return batch.offered(); });
    return batches;
}

CacheSurvey surveyCache(const fs::path &cacheRoot, const std::vector<BatchRecord> &batchRecords)
{
    Records records;
    for (const BatchRecord &record : batchRecords) {
        if (record.state != BatchState::freed)
            records[record.cacheBatch] = &record;
    }
    CacheSurvey survey;
    std::error_code error;
    for (fs::directory_iterator it(cacheRoot, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code entryError;
        const fs::file_status status = it->symlink_status(entryError);
        if (fs::is_directory(status))
            collect(it->path(), records, survey.batches, survey.heldBytes);
        else if (fs::is_regular_file(status))
            survey.heldBytes += static_cast<std::int64_t>(it->file_size(entryError));
    }
    std::stable_sort(survey.batches.begin(), survey.batches.end(), [](const CacheBatch &a, const CacheBatch &b) {
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        if (a.complete && a.manifest.createdAt != b.manifest.createdAt)
            return a.manifest.createdAt < b.manifest.createdAt;
        return a.folder < b.folder;
    });
    std::vector<const CacheBatch *> complete;
    for (const CacheBatch &batch : survey.batches)
        if (batch.complete)
            complete.push_back(&batch);
    std::sort(complete.begin(), complete.end(), [](const CacheBatch *a, const CacheBatch *b) {
        return a->manifest.createdAt > b->manifest.createdAt;
    });
    for (std::size_t i = 0; i < complete.size() && i < recentCount; ++i)
        survey.largestRecent = std::max(survey.largestRecent, complete[i]->manifest.bytes);
    // A cache not made yet will be made on the disk of its nearest folder that is there.
    for (fs::path folder = cacheRoot; !folder.empty(); folder = folder.parent_path()) {
        const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd) {
            survey.room = freeSpaceOf(fd.get(), folder);
            break;
        }
        if (folder == folder.parent_path())
            break;
    }
    return survey;
}

std::vector<CacheBatch> oldestWithin(const std::vector<CacheBatch> &offered, std::int64_t amount)
{
    std::vector<CacheBatch> chosen;
    std::int64_t total = 0;
    for (const CacheBatch &batch : offered) {
        if (!batch.offered() || total + batch.bytes > amount)
            break;
        total += batch.bytes;
        chosen.push_back(batch);
    }
    return chosen;
}

} // namespace slatewick

#include "engine/cachefreeing.h"

#include "engine/batchcheck.h"
#include "engine/batchhistory.h"
#include "engine/batchrecords.h"
#include "engine/cachesurvey.h"
#include "engine/serverfolder.h"
#include "model/bytesize.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <optional>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

std::string batchCount(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " batch" : " batches");
}

std::optional<dev_t> deviceOf(int fd)
{
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0)
        return std::nullopt;
    return status.st_dev;
}

// Why the server batch does not prove the cache batch; empty when it does.
std::string whyKept(const fs::path &cacheBatch, int serverRootFd)
{
    BatchManifest manifest;
    try {
        manifest = decodeManifest(fileops::readFile(cacheBatch / BatchManifest::fileName));
    } catch (const std::exception &) {
        return "its manifest cannot be read.";
    }
    if (serverRootFd < 0)
        return "the server folder is not available.";
    const fs::path serverBatch = manifest.remotePath;
    const UniqueFd batchFd(::open(serverBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (serverBatch.empty() || !batchFd)
        return "its server batch " + serverBatch.string() + " is missing.";
    const std::optional<MountFacts> serverFacts = mountFactsOf(serverRootFd);
    const std::optional<MountFacts> batchFacts = mountFactsOf(batchFd.get());
    if (!serverFacts || !batchFacts || serverFacts->source != batchFacts->source
        || serverFacts->type != batchFacts->type)
        return "its server batch is not on the server folder's file system.";
    const UniqueFd cacheFd(::open(cacheBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::optional<dev_t> cacheDevice = deviceOf(cacheFd.get());
    if (!cacheDevice || cacheDevice == deviceOf(batchFd.get()))
        return "its server batch lies on the cache's own disk.";
    try {
        const BatchCheck check = checkBatch(serverBatch, cacheBatch / checksumFileName, true);
        return check.clean() ? std::string() : check.sentence("Server batch");
    } catch (const std::exception &error) {
        return std::string("its server batch could not be checked: ") + error.what() + ".";
    }
}

} // namespace

std::string FreeingReport::sentence() const
{
    std::string text = "Nothing was removed.";
    if (!removed.empty())
        text = "Removed " + batchCount(removed.size()) + " (" + formattedSize(freedBytes) + ").";
    if (!kept.empty()) {
        text += " Kept " + batchCount(kept.size()) + ":";
        for (const std::string &reason : kept)
            text += " " + reason;
    }
    return text;
}

FreeingReport freeCacheBatches(const std::vector<fs::path> &cacheBatches, const fs::path &serverFolder,
                               const fs::path &stateFolder)
{
    FreeingReport report;
    // The server folder as the drains see it: there, and on its recorded file system.
    const UniqueFd serverRoot = ServerFolder(serverFolder, stateFolder).open();
    for (const fs::path &batch : cacheBatches) {
        std::string reason = whyKept(batch, serverRoot ? serverRoot.get() : -1);
        if (reason.empty()) {
            const std::int64_t bytes = treeBytes(batch);
            const UniqueFd parent(::open(batch.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            try {
                if (!parent)
                    FileSystemError::throwLast("open", batch.parent_path());
                fileops::removeEntryAt(parent.get(), batch.filename().string(), batch);
                report.removed.push_back(batch);
                report.freedBytes += bytes;
                continue;
            } catch (const std::exception &error) {
                reason = error.what() + std::string(".");
            }
        }
        report.kept.push_back(batch.filename().string() + ": " + reason);
    }
    return report;
}

} // namespace slatewick

#include "engine/upkeep/cachefreeing.h"

#include "engine/upkeep/batchchecking.h"
#include "engine/records/batchledger.h"
#include "engine/records/batchrecords.h"
#include "engine/files/checksumlist.h"
#include "engine/records/serverfolder.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr int batchFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// The batch's own records, beside the files its checksum file lists.
const std::vector<std::string> recordNames{BatchManifest::fileName, checksumFileName, "ascmhl"};

std::optional<dev_t> deviceOf(int fd)
{
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0)
        return std::nullopt;
    return status.st_dev;
}

std::optional<BatchRecord> recordOf(const BatchLedger &ledger, const fs::path &cacheBatch)
{
    for (BatchRecord &record : ledger.all()) {
        if (record.cacheBatch == cacheBatch)
            return std::move(record);
    }
    return std::nullopt;
}

// Why the server batch does not prove the cache batch; nothing when it does.
std::optional<KeptBatch> whyKept(const std::optional<BatchRecord> &record, const fs::path &stateFolder)
{
    using Why = KeptBatch::Why;
    const auto kept = [](Why why, fs::path where = {}) { return KeptBatch{{}, why, std::move(where), {}, {}}; };
    if (!record)
        return kept(Why::noRecord);
    if (record->state != BatchState::onServer)
        return kept(record->state == BatchState::freed ? Why::alreadyFreed : Why::notOnServer);
    const UniqueFd serverRoot = ServerFolder(record->serverFolder, stateFolder, record->serverFileSystem).open();
    if (!serverRoot)
        return kept(Why::serverFolderUnavailable);
    const fs::path &serverBatch = record->serverBatch;
    const UniqueFd batchFd(::open(serverBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (serverBatch.empty() || !batchFd)
        return kept(Why::serverBatchMissing, serverBatch);
    const std::optional<MountFacts> serverFacts = mountFactsOf(serverRoot.get());
    const std::optional<MountFacts> batchFacts = mountFactsOf(batchFd.get());
    if (!serverFacts || !batchFacts || serverFacts->source != batchFacts->source
        || serverFacts->type != batchFacts->type)
        return kept(Why::serverBatchElsewhere);
    const UniqueFd cacheFd(::open(record->cacheBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::optional<dev_t> cacheDevice = deviceOf(cacheFd.get());
    if (!cacheDevice || cacheDevice == deviceOf(batchFd.get()))
        return kept(Why::serverBatchOnCacheDisk);
    try {
        KeptBatch differs = kept(Why::serverBatchDiffers, serverBatch);
        differs.check = checkBatch(serverBatch, record->cacheBatch / checksumFileName, true);
        if (differs.check.clean())
            return std::nullopt;
        return differs;
    } catch (const std::exception &) {
        KeptBatch unchecked = kept(Why::serverBatchUnchecked, serverBatch);
        unchecked.error = std::current_exception();
        return unchecked;
    }
}

// Removes one listed file below the batch, never through a link; gives its bytes.
std::int64_t removeListed(int batchFd, const fs::path &batch, const std::string &relative)
{
    const fs::path path(relative);
    UniqueFd parent(::fcntl(batchFd, F_DUPFD_CLOEXEC, 0));
    for (const fs::path &component : path.parent_path()) {
        parent.reset(::openat(parent.get(), component.c_str(), batchFolderFlags));
        if (!parent)
            return 0; // gone already
    }
    struct stat status {};
    const std::string name = path.filename().string();
    if (::fstatat(parent.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
        return 0;
    if (::unlinkat(parent.get(), name.c_str(), 0) != 0)
        FileSystemError::throwLast("remove", batch / relative);
    return status.st_size;
}

// Removes the folders below fd that are empty once theirs are; true when fd's folder is empty now.
bool removeEmptyFolders(int fd)
{
    DIR *dir = ::fdopendir(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        return false;
    std::vector<std::string> folders;
    bool others = false;
    while (dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat status {};
        if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode))
            folders.push_back(name);
        else
            others = true;
    }
    ::closedir(dir);
    bool empty = !others;
    for (const std::string &name : folders) {
        const UniqueFd child(::openat(fd, name.c_str(), batchFolderFlags));
        if (child && removeEmptyFolders(child.get()) && ::unlinkat(fd, name.c_str(), AT_REMOVEDIR) == 0)
            continue;
        empty = false;
    }
    return empty;
}

// Removes what the batch's checksum file lists and its records; gives the bytes
// removed and whether the folder went with them.
bool removeVerified(const fs::path &batch, std::int64_t &bytes)
{
    const std::vector<ChecksumEntry> listed = parseChecksumText(fileops::readFile(batch / checksumFileName));
    const UniqueFd parent(::open(batch.parent_path().c_str(), batchFolderFlags));
    const UniqueFd batchFd(parent ? ::openat(parent.get(), batch.filename().c_str(), batchFolderFlags) : -1);
    if (!batchFd)
        FileSystemError::throwLast("open", batch);
    for (const ChecksumEntry &entry : listed)
        bytes += removeListed(batchFd.get(), batch, entry.path);
    for (const std::string &name : recordNames)
        fileops::removeEntryAt(batchFd.get(), name, batch / name);
    if (removeEmptyFolders(batchFd.get()) && ::unlinkat(parent.get(), batch.filename().c_str(), AT_REMOVEDIR) == 0) {
        ::fsync(parent.get());
        return true;
    }
    ::fsync(batchFd.get());
    return false;
}

bool holdsBatchRecords(const fs::path &folder)
{
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name == BatchManifest::fileName || name == checksumFileName)
            return true;
    }
    return bool(error);
}

} // namespace

FreeingReport freeCacheBatches(const BatchLedger &ledger, const std::vector<fs::path> &cacheBatches,
                               const fs::path &stateFolder)
{
    FreeingReport report;
    for (const fs::path &batch : cacheBatches) {
        const std::optional<BatchRecord> record = recordOf(ledger, batch);
        std::optional<KeptBatch> kept = whyKept(record, stateFolder);
        if (!kept) {
            try {
                // Freed before a byte goes: a send or a second freeing that comes
                // now finds another state than it expects and does nothing.
                const auto freed = ledger.change(
                    record->id,
                    [&](const BatchRecord &now) {
                        return now.state == BatchState::onServer && now.serverBatch == record->serverBatch;
                    },
                    [](BatchRecord &now) { now.state = BatchState::freed; });
                if (!freed) {
                    kept = KeptBatch{{}, KeptBatch::Why::recordChanged, {}, {}, {}};
                } else {
                    std::int64_t bytes = 0;
                    const bool gone = removeVerified(batch, bytes);
                    report.freedBytes += bytes;
                    report.removed.push_back(batch);
                    if (gone)
                        continue;
                    kept = KeptBatch{{}, KeptBatch::Why::strayFilesStay, batch, {}, {}};
                }
            } catch (const std::exception &) {
                kept = KeptBatch{{}, KeptBatch::Why::failed, {}, {}, std::current_exception()};
            }
        }
        kept->folder = batch;
        report.kept.push_back(std::move(*kept));
    }
    return report;
}

std::optional<KeptBatch::Why> removeIncompleteBatch(const BatchLedger &ledger, const fs::path &folder)
{
    std::optional<KeptBatch::Why> kept;
    ledger.locked([&] {
        for (const BatchRecord &record : ledger.all()) {
            const fs::path inside = record.cacheBatch.lexically_relative(folder);
            const fs::path around = folder.lexically_relative(record.cacheBatch);
            if ((!inside.empty() && *inside.begin() != "..") || (!around.empty() && *around.begin() != "..")) {
                kept = KeptBatch::Why::holdsBatch;
                return;
            }
        }
        if (holdsBatchRecords(folder)) {
            kept = KeptBatch::Why::holdsBatchRecords;
            return;
        }
        const UniqueFd parent(::open(folder.parent_path().c_str(), batchFolderFlags));
        if (!parent)
            FileSystemError::throwLast("open", folder.parent_path());
        fileops::removeEntryAt(parent.get(), folder.filename().string(), folder);
        ::fsync(parent.get());
    });
    return kept;
}

} // namespace slatewick

#include "engine/history/mhltransfer.h"

#include "engine/records/batchrecords.h"
#include "engine/history/mhlhashformat.h"
#include "model/batchmanifest.h"
#include "model/drainerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <string_view>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

// The cheapest first: one earlier value is checked per file.
constexpr std::array<const char *, 7> formatsByCost{"xxh128", "xxh3", "xxh64", "xxh32", "md5", "sha1", "c4"};

// The batch's own records stand where a card file of the same name was.
bool isRecordName(const std::string &path)
{
    return path == BatchManifest::fileName || path == checksumFileName;
}

fs::path historyFolder(const fs::path &batch)
{
    return batch / MhlGeneration::folderName;
}

// Copies a file as a stream through a temporary beside the copy, flushed and renamed into place.
void copyAtomically(const fs::path &from, const fs::path &to)
{
    const UniqueFd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in)
        FileSystemError::throwLast("copy", from);
    std::string pattern = (to.parent_path() / ("." + to.filename().string() + ".XXXXXX")).string();
    UniqueFd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!out)
        FileSystemError::throwLast("copy", to);
    try {
        char buffer[65536];
        while (const std::size_t got = fileops::readSome(in.get(), buffer, sizeof buffer, from))
            fileops::writeAll(out.get(), buffer, got, to, "copy");
        if (::fchmod(out.get(), 0644) != 0 || ::fsync(out.get()) != 0 || ::close(out.release()) != 0
            || ::rename(pattern.c_str(), to.c_str()) != 0)
            FileSystemError::throwLast("copy", to);
    } catch (...) {
        ::unlink(pattern.c_str());
        throw;
    }
    const UniqueFd folder(::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.get()) != 0)
        FileSystemError::throwLast("flush folder", to.parent_path());
}

// Copies the history's generations into the batch's history (as read, or from
// the folder they were read in) and reads each back from storage against its C4 id.
void copyGenerations(const MhlHistory &history, const fs::path &from, const fs::path &batch,
                     const std::string &location)
{
    makeHistoryFolder(batch);
    for (const MhlHistory::File &file : history.generations()) {
        const fs::path copy = historyFolder(batch) / file.name;
        if (file.bytes.empty())
            copyAtomically(historyFolder(from) / file.name, copy);
        else
            fileops::atomicWrite(copy, file.bytes);
        const UniqueFd fd(::open(copy.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd)
            FileSystemError::throwLast("read", copy);
        // Flushed by the write: dropping the cached pages makes the read come from storage.
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        if (fileHashesIn(fd.get(), copy, {"c4"}).at("c4") != file.c4)
            throw DrainError::verificationFailed(location);
    }
}

MhlEntry entryFor(const fs::path &batch, const std::string &path, const ContentHash &hash,
                  const FileStamp *stamp, const char *action)
{
    FileStamp status;
    if (stamp) {
        status = *stamp;
    } else {
        struct stat st {};
        if (::lstat((batch / path).c_str(), &st) != 0)
            FileSystemError::throwLast("read", batch / path);
        status = FileStamp::of(st);
    }
    return MhlEntry{path, status.size, status.modifiedSeconds, hash.hex(), action};
}

// The action for a file the card's history names: its newest value in the
// cheapest known format, compared with the copy (which matched the card).
const char *checkedAction(const fs::path &cacheBatch, const std::string &path, const ContentHash &hash,
                          const std::map<std::string, std::string> &earlier)
{
    for (const char *format : formatsByCost) {
        const auto value = earlier.find(format);
        if (value == earlier.end())
            continue;
        std::string now;
        if (value->first == "xxh128") {
            now = hash.hex();
        } else {
            const fs::path copy = cacheBatch / path;
            const UniqueFd fd(::open(copy.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
            if (!fd)
                FileSystemError::throwLast("read", copy);
            now = fileHashesIn(fd.get(), copy, {format}).at(format);
        }
        return sameHashValue(format, now, value->second) ? "verified" : "failed";
    }
    return "original"; // named only in formats this program does not compute
}

} // namespace

std::optional<MhlHistory> readCardHistory(int cardRootFd, const fs::path &card)
{
    try {
        return MhlHistory::read(cardRootFd, card);
    } catch (const MhlHistoryError &error) {
        throw DrainError::notAHistory(error.what());
    }
}

std::vector<std::string> recordCacheHistory(const fs::path &cacheBatch, const std::optional<MhlHistory> &cardHistory,
                                            const Inventory &listing, const std::vector<ContentHash> &hashes,
                                            const std::vector<FileStamp> &stamps)
{
    if (cardHistory)
        copyGenerations(*cardHistory, {}, cacheBatch, "local cache");
    MhlGeneration generation(cacheBatch, cardHistory ? cardHistory->chain() : std::vector<MhlChainLink>{});
    std::vector<std::string> failed;
    for (std::size_t index = 0; index < listing.relativePaths.size() && index < hashes.size(); ++index) {
        const std::string &path = listing.relativePaths[index];
        if (isRecordName(path))
            continue;
        const auto *earlier = cardHistory ? cardHistory->newestHashes(path) : nullptr;
        const char *action = earlier ? checkedAction(cacheBatch, path, hashes[index], *earlier) : "original";
        if (std::string_view(action) == "failed")
            failed.push_back(path);
        generation.add(entryFor(cacheBatch, path, hashes[index], index < stamps.size() ? &stamps[index] : nullptr,
                                action));
    }
    generation.finish();
    return failed;
}

void recordServerHistory(const fs::path &cacheBatch, const fs::path &serverBatch, const Inventory &listing,
                         const std::vector<ContentHash> &hashes)
{
    // Only the chain is held: the generations are copied as streams.
    std::optional<MhlHistory> history = MhlHistory::read(cacheBatch, MhlHistory::Reading::chainOnly);
    if (!history) {
        recordCacheHistory(cacheBatch, std::nullopt, listing, hashes, {});
        history = MhlHistory::read(cacheBatch, MhlHistory::Reading::chainOnly);
    }
    copyGenerations(*history, cacheBatch, serverBatch, "remote server");
    MhlGeneration generation(serverBatch, history->chain());
    for (std::size_t index = 0; index < listing.relativePaths.size() && index < hashes.size(); ++index) {
        const std::string &path = listing.relativePaths[index];
        // The cache copy keeps the card's time, and the server copy was just proven equal to it.
        if (!isRecordName(path))
            generation.add(entryFor(cacheBatch, path, hashes[index], nullptr, "verified"));
    }
    generation.finish();
}

std::map<std::string, FileStamp> historyFiles(const std::optional<MhlHistory> &history)
{
    return history ? history->fileStamps() : std::map<std::string, FileStamp>{};
}

} // namespace slatewick

// The server half of a drain, shared by a drain and by a batch sent later.
#include "engine/drain/drainengine.h"

#include "engine/upkeep/batchchecking.h"
#include "engine/records/batchfolder.h"
#include "engine/records/batchrecords.h"
#include "engine/files/checksumlist.h"
#include "engine/history/mhltransfer.h"
#include "engine/files/readback.h"
#include "engine/records/serverfolder.h"
#include "engine/space/spacecheck.h"
#include "engine/files/treecopy.h"
#include "engine/files/verification.h"
#include "model/drainerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <chrono>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

const std::string serverLocation = "remote server";
// Hidden, so no listing, check or checksum file ever counts it.
constexpr const char *attemptMarker = ".slatewick-attempt";

// The folder's path text as a directory URL's path gives it: no trailing "/".
std::string folderText(const std::string &path)
{
    std::string text = path;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// The parent of a folder below the server folder, opened through the server
// folder's descriptor; the name of the folder in it.
UniqueFd parentBelow(int serverFd, const fs::path &serverFolder, const fs::path &folder, std::string &name)
{
    const fs::path relative = folder.lexically_relative(serverFolder);
    if (relative.empty() || *relative.begin() == ".." || relative == ".")
        return {};
    UniqueFd parent(::fcntl(serverFd, F_DUPFD_CLOEXEC, 0));
    for (const fs::path &component : relative.parent_path()) {
        parent.reset(::openat(parent.get(), component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!parent)
            return {};
    }
    name = relative.filename().string();
    return parent;
}

// Marks a folder this send just made as its own; throws FileSystemError.
SendAttempt markAttempt(const fs::path &folder, int folderFd)
{
    std::random_device random;
    char token[33];
    std::snprintf(token, sizeof token, "%08x%08x%08x%08x", random(), random(), random(), random());
    const UniqueFd marker(::openat(folderFd, attemptMarker, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!marker)
        FileSystemError::throwLast("create", folder / attemptMarker);
    fileops::writeAll(marker.get(), token, 32, folder / attemptMarker);
    if (::fsync(marker.get()) != 0)
        FileSystemError::throwLast("write", folder / attemptMarker);
    return SendAttempt{folder, token};
}

// Whether the open folder is the one the attempt made: it holds the attempt's token.
bool madeBy(const SendAttempt &attempt, int folderFd)
{
    const UniqueFd marker(::openat(folderFd, attemptMarker, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    char text[64];
    if (!marker || attempt.token.empty())
        return false;
    const ssize_t got = ::read(marker.get(), text, sizeof text);
    return got == static_cast<ssize_t>(attempt.token.size()) && attempt.token.compare(0, std::string::npos, text, got) == 0;
}

// Removes a try's folder with its marker last, so a removal cut short is still known as this try's.
void removeMarkedFolder(int parentFd, const std::string &name, int folderFd, const fs::path &folder)
{
    DIR *dir = ::fdopendir(::fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    if (!dir)
        FileSystemError::throwLast("remove", folder);
    std::vector<std::string> children;
    while (dirent *entry = ::readdir(dir)) {
        const std::string child = entry->d_name;
        if (child != "." && child != ".." && child != attemptMarker)
            children.push_back(child);
    }
    ::closedir(dir);
    for (const std::string &child : children)
        fileops::removeEntryAt(folderFd, child, folder / child);
    fileops::removeEntryAt(parentFd, name, folder);
}

bool namedByAnother(const BatchLedger &ledger, const BatchRecord &record, const fs::path &folder)
{
    const std::vector<BatchRecord> records = ledger.all();
    return std::any_of(records.begin(), records.end(), [&](const BatchRecord &other) {
        return other.id != record.id
               && (other.serverBatch == folder || other.cacheBatch == folder
                   || (other.attempt && other.attempt->folder == folder));
    });
}

} // namespace

void DrainEngine::release(const BatchRecord &record)
{
    try {
        m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
            now.state = BatchState::cached;
            now.owner.reset();
        });
    } catch (const std::exception &) {
        // The claim dies with this program; the next start returns the batch to the cache's keeping.
    }
}

bool DrainEngine::adoptFinishedTry(int serverFd, BatchRecord &record)
{
    const SendAttempt made = *record.attempt;
    std::string name;
    const UniqueFd parent = parentBelow(serverFd, record.serverFolder, made.folder, name);
    const UniqueFd folder(parent ? ::openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                 : -1);
    if (!folder || !madeBy(made, folder.get()) || !fileops::exists(made.folder / BatchManifest::fileName))
        return false;
    try {
        if (!checkBatch(made.folder, record.cacheBatch / checksumFileName, true).clean())
            return false;
    } catch (const std::exception &) {
        return false;
    }
    const std::optional<MountFacts> serverFileSystem = mountFactsOf(serverFd);
    std::optional<BatchRecord> written = m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
        now.state = BatchState::onServer;
        now.owner.reset();
        now.attempt.reset();
        now.serverBatch = made.folder;
        now.facts.remotePath = made.folder.string();
        if (serverFileSystem)
            now.serverFileSystem = MountFacts{0, 0, serverFileSystem->source, serverFileSystem->type};
    });
    if (!written)
        return false;
    ::unlinkat(folder.get(), attemptMarker, 0);
    record = *written;
    return true;
}

void DrainEngine::removeEarlierTry(int serverFd, BatchRecord &record)
{
    const SendAttempt made = *record.attempt;
    std::string name;
    const UniqueFd parent = parentBelow(serverFd, record.serverFolder, made.folder, name);
    UniqueFd folder;
    if (parent)
        folder.reset(::openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A share that answers with an error is asked again later; only a folder that is not there is gone.
    if (!folder && errno != ENOENT)
        FileSystemError::throwLast("open", made.folder);
    if (folder) {
        if (madeBy(made, folder.get()) && !namedByAnother(m_ledger, record, made.folder))
            removeMarkedFolder(parent.get(), name, folder.get(), made.folder);
        else if (std::find(record.leftAttempts.begin(), record.leftAttempts.end(), made.folder)
                 == record.leftAttempts.end())
            record.leftAttempts.push_back(made.folder);
    }
    // Gone already (the user removed it), or removed now, or left and named.
    const std::vector<fs::path> left = record.leftAttempts;
    if (std::optional<BatchRecord> written = m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
            now.attempt.reset();
            now.leftAttempts = left;
        }))
        record = *written;
}

fs::path DrainEngine::sendToServer(BatchRecord &record, const Inventory &listing,
                                   const std::vector<ContentHash> &cardHashes, const Update &update,
                                   const ByteUpdate &bytes, bool &spaceUnchecked)
{
    // The folder must be the server's (on the file system the batch's record
    // names), not an empty mount point left by a share that is gone; the batch is
    // then made below this descriptor, never through the path.
    const ServerFolder serverFolder(record.serverFolder, m_options.stateFolder, record.serverFileSystem);
    const UniqueFd serverFd = serverFolder.open();
    if (!serverFd)
        throw DrainError::remoteUnavailable();
    update(DrainEvent::sending(listing.files, listing.bytes, folderText(record.serverFolder.string())));
    // A try that ended verified but was not recorded as such (a crash right after
    // it) is the batch on the server; a partial one goes first, so the room it held
    // counts for this one.
    if (record.attempt && adoptFinishedTry(serverFd.get(), record))
        return record.serverBatch;
    if (record.attempt)
        removeEarlierTry(serverFd.get(), record);
    CreatedFolder created;
    SpaceReservation serverRoom;
    {
        FairLockHold hold(&m_lock);
        // Checked before anything is written there; a server without room leaves the batch waiting.
        serverRoom = m_space.reserve(serverFd.get(), record.serverFolder, listing, serverLocation);
        spaceUnchecked = serverRoom.unchecked();
        // Never inside a batch already there: a later freeing of that one would take this one along.
        if (const auto outer = enclosingBatch(serverFd.get(), record.serverFolder, record.batchName))
            throw DrainError::nestedBatch(outer->string(), (record.serverFolder / record.batchName).string(), true);
        created = createUniqueDirectoryAt(serverFd.get(), record.serverFolder, record.batchName);
    }
    const fs::path serverBatch = created.path;
    if (m_ledger.enabled()) {
        const SendAttempt attempt = markAttempt(serverBatch, created.fd.get());
        // The file system the batch first went to is the server's for it from now on:
        // a share's empty mount point, found later, is then never taken for the server.
        const std::optional<MountFacts> fileSystem = mountFactsOf(serverFd.get());
        if (std::optional<BatchRecord> written = m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
                now.attempt = attempt;
                if (!now.serverFileSystem && fileSystem)
                    now.serverFileSystem = MountFacts{0, 0, fileSystem->source, fileSystem->type};
            }))
            record = *written;
    }
    {
        const ByteProgress serverBytes = [&](std::int64_t done) {
            serverRoom.written(done);
            if (bytes)
                bytes(DrainPhase::copying, done, listing.bytes);
        };
        ReadBack readBack(serverBatch, listing, false);
        const CopyOptions options{
            .readBack = &readBack, .makeRoot = false, .destinationFd = created.fd.get(), .bytes = &serverBytes};
        copyTree(record.cacheBatch, serverBatch, listing, DrainPhase::copying, update, std::stop_token(), options);
        // Against the card's own hashes: the server batch is proven equal to the card.
        verifyCopy(serverBatch, listing, cardHashes, serverLocation, &readBack);
    }

    // The cache batch's history read again from it: a resend has nothing else.
    recordServerHistory(record.cacheBatch, serverBatch, listing, cardHashes);
    BatchManifest manifest = record.facts;
    manifest.copiedToServerAt = std::chrono::system_clock::now();
    manifest.cachePath = record.cacheBatch.string();
    manifest.remotePath = serverBatch.string();
    writeBatchRecords({record.cacheBatch, serverBatch}, manifest, checksumFileText(listing, cardHashes));
    const std::optional<MountFacts> serverFileSystem = mountFactsOf(serverFd.get());
    try {
        m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
            now.state = BatchState::onServer;
            now.owner.reset();
            now.attempt.reset();
            now.serverBatch = serverBatch;
            now.facts.copiedToServerAt = manifest.copiedToServerAt;
            now.facts.remotePath = serverBatch.string();
            if (serverFileSystem)
                now.serverFileSystem = MountFacts{0, 0, serverFileSystem->source, serverFileSystem->type};
        });
        // The marker has done its work; one left behind is hidden and harmless.
        ::unlinkat(created.fd.get(), attemptMarker, 0);
        serverFolder.record(serverFd.get());
    } catch (const FileSystemError &) {
        // The batch is verified and recorded in both folders. The claim ends with
        // this program, and the next start finds the finished batch at its attempt.
    }
    return serverBatch;
}

std::optional<DrainEngine::Outcome> DrainEngine::sendPending(const std::string &recordId, const Update &update,
                                                             const ByteUpdate &bytes,
                                                             const std::optional<fs::path> &redirectTo)
{
    std::optional<BatchRecord> claimed = m_ledger.change(recordId, inState(BatchState::cached), [&](BatchRecord &now) {
        now.state = BatchState::sending;
        now.owner = SendOwner::self();
        if (redirectTo && *redirectTo != now.serverFolder) {
            // An earlier try on the folder left behind is not this folder's to remove.
            if (now.attempt)
                now.leftAttempts.push_back(now.attempt->folder);
            now.attempt.reset();
            now.serverFolder = *redirectTo;
            now.serverFileSystem = ServerFolder(*redirectTo, m_options.stateFolder).recorded();
        }
    });
    if (!claimed)
        return std::nullopt;
    BatchRecord record = *claimed;
    const auto notSendable = [&](const DrainError &error) {
        m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
            now.state = BatchState::notSendable;
            now.owner.reset();
            now.problem = error.what();
            now.cacheGone = error.kind() == DrainError::Kind::cacheGone;
            if (error.changes())
                now.changes = *error.changes();
        });
        throw error;
    };
    try {
        if (!fileops::exists(record.cacheBatch))
            notSendable(DrainError::cacheGone(record.cacheBatch.string()));
        // The card may have been formatted since: the cache batch is all there is, and
        // it must still be what was read from the card.
        const BatchCheck check = checkBatch(record.cacheBatch);
        if (!check.clean())
            notSendable(DrainError::cacheChanged(record.cacheBatch.string(), check));
        Inventory listing;
        std::vector<ContentHash> hashes;
        for (const ChecksumEntry &entry :
             parseChecksumText(fileops::readFile(record.cacheBatch / checksumFileName))) {
            listing.relativePaths.push_back(entry.path);
            hashes.push_back(ContentHash::fromHex(entry.hex).value_or(ContentHash{}));
        }
        listing.files = static_cast<std::int64_t>(listing.relativePaths.size());
        listing.bytes = record.facts.bytes;

        Outcome outcome;
        outcome.batchURL = record.cacheBatch;
        outcome.files = listing.files;
        outcome.bytes = listing.bytes;
        outcome.cardCleared = record.facts.cardCleared;
        outcome.notCleared = record.notCleared;
        outcome.remoteURL = sendToServer(record, listing, hashes, update, bytes, outcome.serverSpaceUnchecked);
        outcome.leftAttempts = record.leftAttempts;
        return outcome;
    } catch (const DrainError &error) {
        if (error.kind() != DrainError::Kind::cacheGone && error.kind() != DrainError::Kind::cacheChanged)
            release(record);
        throw;
    } catch (...) {
        release(record);
        throw;
    }
}

} // namespace slatewick

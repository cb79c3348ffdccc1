// The server half of a drain, shared by a drain and by a pending batch sent later.
#include "engine/drainengine.h"

#include "engine/batchcheck.h"
#include "engine/batchfolder.h"
#include "engine/batchrecords.h"
#include "engine/checksumlist.h"
#include "engine/mhltransfer.h"
#include "engine/readback.h"
#include "engine/serverfolder.h"
#include "engine/spacecheck.h"
#include "engine/treecopy.h"
#include "engine/verification.h"
#include "model/drainerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <fcntl.h>

#include <chrono>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

const std::string serverLocation = "remote server";

// The folder's path text as a directory URL's path gives it: no trailing "/".
std::string folderText(const std::string &path)
{
    std::string text = path;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// Removes a batch folder an earlier try began below the server folder, through
// its descriptor: a cut-off batch is never left looking complete, and the
// batch never ends up twice on the server.
void removeEarlierTry(int serverFd, const fs::path &serverFolder, const fs::path &batch)
{
    const fs::path relative = batch.lexically_relative(serverFolder);
    if (relative.empty() || *relative.begin() == "..")
        return;
    UniqueFd parent(::fcntl(serverFd, F_DUPFD_CLOEXEC, 0));
    for (const fs::path &component : relative.parent_path()) {
        parent.reset(::openat(parent.get(), component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!parent)
            return;
    }
    fileops::removeEntryAt(parent.get(), relative.filename().string(), batch);
}

} // namespace

DrainEngine::SendingClaim::SendingClaim(DrainEngine &engine, fs::path record)
    : m_engine(engine)
    , m_record(std::move(record))
{
    std::lock_guard lock(m_engine.m_sendingMutex);
    m_claimed = m_record.empty() || m_engine.m_sending.insert(m_record).second;
}

DrainEngine::SendingClaim::~SendingClaim()
{
    if (!m_claimed || m_record.empty())
        return;
    std::lock_guard lock(m_engine.m_sendingMutex);
    m_engine.m_sending.erase(m_record);
}

fs::path DrainEngine::sendToServer(PendingTransfer &transfer, const Inventory &listing,
                                   const std::vector<ContentHash> &cardHashes, const Update &update,
                                   const ByteUpdate &bytes, std::string &spaceNote)
{
    // The folder must be the server's, not an empty mount point left by a share
    // that is gone; the batch is then made below this descriptor, never through the path.
    const ServerFolder serverFolder(transfer.serverFolder, m_options.stateFolder);
    const UniqueFd serverFd = serverFolder.open();
    if (!serverFd)
        throw DrainError::remoteUnavailable();
    update(DrainPhase::copying, 0.0, "Sending verified cache to " + folderText(transfer.serverFolder.string()));
    CreatedFolder created;
    SpaceReservation serverRoom;
    {
        FairLockHold hold(&m_lock);
        // Checked before anything is written there; a server without room leaves the batch pending.
        serverRoom = m_space.reserve(serverFd.get(), transfer.serverFolder, listing, serverLocation);
        spaceNote = serverRoom.note();
        if (transfer.serverBatch)
            removeEarlierTry(serverFd.get(), transfer.serverFolder, *transfer.serverBatch);
        created = createUniqueDirectoryAt(serverFd.get(), transfer.serverFolder, transfer.batchName);
        transfer.serverBatch = created.path;
        if (!transfer.recordFile.empty())
            m_pending.save(transfer);
    }
    const fs::path serverBatch = created.path;
    {
        const ByteProgress serverBytes = [&](std::int64_t done) {
            serverRoom.written(done);
            if (bytes)
                bytes(DrainPhase::copying, done, listing.bytes);
        };
        ReadBack readBack(serverBatch, listing, false);
        const CopyOptions options{
            .readBack = &readBack, .makeRoot = false, .destinationFd = created.fd.get(), .bytes = &serverBytes};
        copyTree(transfer.cacheBatch, serverBatch, listing, DrainPhase::copying, update, std::stop_token(), options);
        // Against the card's own hashes: the server batch is proven equal to the card.
        verifyCopy(serverBatch, listing, cardHashes, serverLocation, &readBack);
    }

    // The cache batch's history read again from it: a resend has nothing else.
    recordServerHistory(transfer.cacheBatch, serverBatch, listing, cardHashes);
    FairLockHold hold(&m_lock);
    BatchManifest manifest = transfer.facts;
    manifest.copiedToServerAt = std::chrono::system_clock::now();
    manifest.cachePath = transfer.cacheBatch.string();
    manifest.remotePath = serverBatch.string();
    writeBatchRecords({transfer.cacheBatch, serverBatch}, manifest, checksumFileText(listing, cardHashes));
    m_pending.remove(transfer);
    try {
        serverFolder.record(serverFd.get());
    } catch (const FileSystemError &) {
        // The batch is verified and recorded; an older record only keeps the folder's check as it was.
    }
    return serverBatch;
}

std::optional<DrainEngine::Outcome> DrainEngine::sendPending(PendingTransfer transfer, const Update &update,
                                                             const ByteUpdate &bytes)
{
    std::optional<SendingClaim> claim;
    {
        // A drain saves its record and claims it under the lock: no gap between the two.
        FairLockHold hold(&m_lock);
        claim.emplace(*this, transfer.recordFile);
    }
    if (!claim->claimed())
        return std::nullopt;
    if (!fileops::exists(transfer.cacheBatch))
        throw DrainError::cacheGone(transfer.cacheBatch.string());
    // The card may have been formatted since: the cache batch is all there is, and
    // it must still be what was read from the card.
    const BatchCheck check = checkBatch(transfer.cacheBatch);
    if (!check.clean())
        throw DrainError::cacheChanged(check.sentence("The cache batch"));
    Inventory listing;
    std::vector<ContentHash> hashes;
    for (const ChecksumEntry &entry : parseChecksumText(fileops::readFile(transfer.cacheBatch / checksumFileName))) {
        listing.relativePaths.push_back(entry.path);
        hashes.push_back(ContentHash::fromHex(entry.hex).value_or(ContentHash{}));
    }
    listing.files = static_cast<std::int64_t>(listing.relativePaths.size());
    listing.bytes = transfer.facts.bytes;

    Outcome outcome{transfer.cacheBatch, {}, listing.files, listing.bytes, transfer.facts.cardCleared,
                    transfer.notClearedReason, {}};
    outcome.remoteURL = sendToServer(transfer, listing, hashes, update, bytes, outcome.spaceNote);
    return outcome;
}

} // namespace slatewick

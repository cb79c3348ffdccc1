#include "engine/drainengine.h"

#include "engine/batchfolder.h"
#include "engine/batchrecords.h"
#include "engine/cardclearing.h"
#include "engine/cardidentity.h"
#include "engine/inventory.h"
#include "engine/readback.h"
#include "engine/serverfolder.h"
#include "engine/treecopy.h"
#include "engine/verification.h"
#include "model/batchmanifest.h"
#include "model/batchpath.h"
#include "model/drainerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <fcntl.h>

#include <chrono>
#include <cerrno>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

const std::string cacheLocation = "local cache";
const std::string serverLocation = "remote server";

// The folder's path text as a directory URL's path gives it: no trailing "/".
std::string folderText(const std::string &path)
{
    std::string text = path;
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::string filesLeftReason(std::int64_t count)
{
    return count == 1 ? "1 file appeared or changed after it was listed and was left on it."
                      : std::to_string(count) + " files appeared or changed after they were listed and were left on it.";
}

std::string clearingFailureReason(const FileSystemError &error)
{
    switch (error.errorNumber()) {
    case EROFS:
    case EACCES:
    case EPERM:
        return "it is locked or read-only.";
    default:
        return std::string(error.what());
    }
}

// The card as it was listed: a descriptor of its root and who it is.
struct HeldCard {
    UniqueFd root;
    CardIdentity identity;
};

// Why the card now at the path is not the one listed; empty when it is.
std::string whyNotTheListedCard(const fs::path &source, const HeldCard &card, bool useUniqueMountIds)
{
    const UniqueFd now(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!now)
        return "it was taken out.";
    const CardIdentity current = CardIdentity::of(now.get(), useUniqueMountIds);
    if (card.identity.sameCard(current))
        return {};
    // A folder left where the card was mounted is no card at all.
    return isMountRoot(now.get()) ? "a different card is now in its place." : "it was taken out.";
}

} // namespace

DrainEngine::DrainEngine(fs::path applicationData)
    : DrainEngine(std::move(applicationData), Options())
{
}

DrainEngine::DrainEngine(fs::path applicationData, Options options)
    : m_applicationData(std::move(applicationData))
    , m_options(std::move(options))
{
}

fs::path DrainEngine::cacheRoot() const
{
    const fs::path root = cacheFolder();
    fileops::createDirectories(root);
    return root;
}

DrainEngine::Outcome DrainEngine::drain(const InsertedCard &card, const DrainSettings &settings,
                                        const Update &update, std::stop_token stop, const ByteUpdate &bytes)
{
    const fs::path source = card.url;
    std::string batchName;
    fs::path cacheBatch;
    Inventory listing;
    HeldCard held;
    SpaceReservation cacheRoom;
    {
        // Steps 1 to 7 in one stretch: no other drain can take the batch folder
        // between its choice and its creation.
        FairLockHold hold(&m_lock);
        // Everything below reads through this descriptor, so the card listed is the card copied.
        held.root.reset(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!held.root)
            throw DrainError::sourceUnavailable();
        held.identity = CardIdentity::of(held.root.get(), m_options.useUniqueMountIds);
        batchName = BatchPath::rendered(settings.namingTemplate, card.displayName);
        cacheBatch = createUniqueDirectory(cacheRoot(), batchName);
        listing = inventory(held.root.get(), source);
        if (listing.files <= 0)
            throw DrainError::noFiles();
        cacheRoom = reserveCacheRoom(m_space, cacheBatch, listing, cacheLocation);
    }
    const fs::path remoteRoot = settings.remoteDirectory;

    update(DrainPhase::caching, 0.0, "Copying " + std::to_string(listing.files) + " files into the local cache");
    std::vector<ContentHash> cardHashes;
    std::vector<FileStamp> stamps;
    {
        const ByteProgress cacheBytes = [&](std::int64_t done) {
            cacheRoom.written(done);
            if (bytes)
                bytes(DrainPhase::caching, done, listing.bytes);
        };
        // The verified pages stay cached: the server copy reads them next.
        ReadBack readBack(cacheBatch, listing, true);
        CopyOptions options{&m_lock, &readBack, false, held.root.get(), -1, true, &stamps, &cacheBytes};
        cardHashes = copyTree(source, cacheBatch, listing, DrainPhase::caching, update, stop, options);
        verifyCopy(cacheBatch, listing, cardHashes, cacheLocation, &readBack, &m_lock);
    }
    cacheRoom.release();
    // From here on the card's content is safe in the cache: a stop request no
    // longer ends the drain, the server copy continues from the cache.

    // A card that cannot be cleared (locked, read-only, taken out, swapped for
    // another) must not keep its files from the server: the drain goes on and
    // records the card as not cleared, with the reason.
    Outcome outcome{cacheBatch, {}, listing.files, listing.bytes, false, {}, {}};
    if (settings.clearAfterCopy) {
        outcome.notClearedReason = whyNotTheListedCard(source, held, m_options.useUniqueMountIds);
        if (outcome.notClearedReason.empty()) {
            update(DrainPhase::clearing, 1.0,
                   "Local cache verified; clearing card so it can be reused while the server copy continues");
            if (m_options.beforeClearing)
                m_options.beforeClearing();
            // Checked again: the card may have been swapped while the report was shown.
            outcome.notClearedReason = whyNotTheListedCard(source, held, m_options.useUniqueMountIds);
        }
        if (outcome.notClearedReason.empty()) {
            try {
                const ClearingOutcome cleared = clearCard(held.root.get(), source, listing, stamps);
                if (!cleared.cleared())
                    outcome.notClearedReason = filesLeftReason(cleared.filesLeft);
            } catch (const FileSystemError &error) {
                outcome.notClearedReason = clearingFailureReason(error);
            }
        }
        outcome.cardCleared = outcome.notClearedReason.empty();
    }
    // The desktop may eject the card now.
    held.root.reset();

    // The folder must be the server's, not an empty mount point left by a share
    // that is gone; the batch is then made below this descriptor, never through the path.
    const ServerFolder serverFolder(remoteRoot, m_options.stateFolder);
    const UniqueFd serverFd = serverFolder.open();
    if (!serverFd)
        throw DrainError::remoteUnavailable();
    update(DrainPhase::copying, 0.0, "Sending verified cache to " + folderText(settings.remoteDirectory));
    CreatedFolder created;
    SpaceReservation serverRoom;
    {
        FairLockHold hold(&m_lock);
        serverRoom = m_space.reserve(serverFd.get(), remoteRoot, listing, serverLocation);
        created = createUniqueDirectoryAt(serverFd.get(), remoteRoot, batchName);
    }
    const fs::path serverBatch = created.path;
    {
        const ByteProgress serverBytes = [&](std::int64_t done) {
            serverRoom.written(done);
            if (bytes)
                bytes(DrainPhase::copying, done, listing.bytes);
        };
        ReadBack readBack(serverBatch, listing, false);
        CopyOptions options{&m_lock, &readBack, false, -1, created.fd.get(), false, nullptr, &serverBytes};
        copyTree(cacheBatch, serverBatch, listing, DrainPhase::copying, update, std::stop_token(), options);
        // Against the card's own hashes: the server batch is proven equal to the card.
        verifyCopy(serverBatch, listing, cardHashes, serverLocation, &readBack, &m_lock);
    }
    outcome.remoteURL = serverBatch;
    outcome.spaceNote = spaceNotes(cacheRoom, serverRoom);

    {
        FairLockHold hold(&m_lock);
        BatchManifest manifest;
        manifest.sourceVolume = card.displayName;
        manifest.sourceDevice = card.deviceIdentifier;
        manifest.createdAt = std::chrono::system_clock::now();
        manifest.cachedAt = std::chrono::system_clock::now();
        manifest.copiedToServerAt = std::chrono::system_clock::now();
        manifest.files = listing.files;
        manifest.bytes = listing.bytes;
        manifest.cachePath = cacheBatch.string();
        manifest.remotePath = serverBatch.string();
        manifest.cardCleared = outcome.cardCleared;
        writeBatchRecords({cacheBatch, serverBatch}, manifest, checksumFileText(listing, cardHashes));
    }
    try {
        serverFolder.record(serverFd.get());
    } catch (const FileSystemError &) {
        // The batch is verified and recorded; an older record only keeps the folder's check as it was.
    }
    return outcome;
}

} // namespace slatewick

#include "engine/drain/drainengine.h"

#include "engine/records/batchfolder.h"
#include "engine/records/batchrecords.h"
#include "engine/card/cardclearing.h"
#include "engine/card/cardidentity.h"
#include "engine/files/inventory.h"
#include "engine/history/mhltransfer.h"
#include "engine/files/readback.h"
#include "engine/records/serverfolder.h"
#include "engine/files/treecopy.h"
#include "engine/files/verification.h"
#include "model/batchmanifest.h"
#include "model/batchpath.h"
#include "model/drainerror.h"
#include "platform/cancellationerror.h"
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

NotCleared because(NotCleared::Reason reason, std::string detail = {})
{
    NotCleared why;
    why.reason = reason;
    why.detail = std::move(detail);
    return why;
}

NotCleared clearingFailure(const FileSystemError &error)
{
    switch (error.errorNumber()) {
    case EROFS:
    case EACCES:
    case EPERM:
        return because(NotCleared::Reason::lockedOrReadOnly);
    default:
    {
        NotCleared why = because(NotCleared::Reason::clearingFailed, error.what());
        why.failure = NotCleared::Failure{error.operation(), error.path().string(), error.errorNumber()};
        return why;
    }
    }
}

// The card as it was listed: a descriptor of its root and who it is.
struct HeldCard {
    UniqueFd root;
    CardIdentity identity;
};

// Why the card now at the path is not the one listed; nothing when it is.
std::optional<NotCleared> whyNotTheListedCard(const fs::path &source, const HeldCard &card, bool useUniqueMountIds)
{
    const UniqueFd now(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!now)
        return because(NotCleared::Reason::takenOut);
    const CardIdentity current = CardIdentity::of(now.get(), useUniqueMountIds);
    if (card.identity.sameCard(current))
        return std::nullopt;
    // A folder left where the card was mounted is no card at all.
    return because(isMountRoot(now.get()) ? NotCleared::Reason::swapped : NotCleared::Reason::takenOut);
}

// Why the verified cache batch would not outlive a power cut; nothing when it would.
std::optional<NotCleared> whyTheCacheWouldNotLast(const fs::path &cacheBatch)
{
    const UniqueFd batch(::open(cacheBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!batch)
        return because(NotCleared::Reason::cacheBatchGone, cacheBatch.string());
    if (const std::optional<std::string> memory = memoryStorageOf(batch.get()))
        return because(NotCleared::Reason::cacheInMemory, *memory);
    return std::nullopt;
}

} // namespace

DrainEngine::DrainEngine(fs::path applicationData)
    : DrainEngine(std::move(applicationData), Options())
{
}

DrainEngine::DrainEngine(fs::path applicationData, Options options)
    : m_applicationData(std::move(applicationData))
    , m_options(std::move(options))
    , m_ledger(m_options.stateFolder, m_lock)
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
    const auto startedAt = std::chrono::system_clock::now();
    const fs::path source = card.url;
    HeldCard held;
    // Everything below reads through this descriptor, so the card listed is the card copied.
    held.root.reset(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!held.root)
        throw DrainError::sourceUnavailable();
    held.identity = CardIdentity::of(held.root.get(), m_options.useUniqueMountIds);
    // The batch's own records would overwrite such an entry in the cache, and clearing would then take it.
    if (const std::optional<std::string> reserved = recordNamedEntry(held.root.get()))
        throw DrainError::reservedName(*reserved);
    const std::string batchName = BatchPath::rendered(settings.namingTemplate, card.displayName);
    fs::path cacheBatch;
    {
        // No other drain can take the batch folder between its choice and its creation.
        FairLockHold hold(&m_lock);
        const fs::path root = cacheRoot();
        if (const std::optional<fs::path> outer = enclosingBatch(root, batchName))
            throw DrainError::nestedBatch(outer->string(), (root / batchName).string());
        cacheBatch = createUniqueDirectory(root, batchName);
    }
    const Inventory listing = inventory(held.root.get(), source);
    const std::optional<MhlHistory> cardHistory = readCardHistory(held.root.get(), source);
    if (listing.files <= 0)
        throw DrainError::noFiles();
    SpaceReservation cacheRoom;
    {
        // Under the lock, so two drains never count the same free space.
        FairLockHold hold(&m_lock);
        cacheRoom = reserveCacheRoom(m_space, cacheBatch, listing, cacheLocation);
    }
    update(DrainEvent::listed(listing.files, listing.bytes));
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
        const CopyOptions options{.readBack = &readBack,
                                  .makeRoot = false,
                                  .sourceFd = held.root.get(),
                                  .sourceIsCard = true,
                                  .stamps = &stamps,
                                  .bytes = &cacheBytes};
        cardHashes = copyTree(source, cacheBatch, listing, DrainPhase::caching, update, stop, options);
        verifyCopy(cacheBatch, listing, cardHashes, cacheLocation, &readBack);
    }
    const std::vector<std::string> unmatched = recordCacheHistory(cacheBatch, cardHistory, listing, cardHashes, stamps);
    cacheRoom.release();
    // From here on the card's content is safe in the cache: a stop request no
    // longer ends the drain, the server copy continues from the cache. The batch
    // has its record, on storage with the card's hashes, before anything is cleared.
    BatchRecord record;
    record.state = BatchState::sending;
    record.owner = SendOwner::self();
    record.cacheBatch = cacheBatch;
    record.batchName = batchName;
    record.serverFolder = settings.remoteDirectory;
    record.serverFileSystem = ServerFolder(record.serverFolder, m_options.stateFolder).recorded();
    record.cardSerial = held.identity.serial;
    BatchManifest &facts = record.facts;
    facts.sourceVolume = card.displayName;
    facts.sourceDevice = card.deviceIdentifier;
    facts.createdAt = startedAt;
    facts.cachedAt = std::chrono::system_clock::now();
    facts.files = listing.files;
    facts.bytes = listing.bytes;
    facts.cachePath = cacheBatch.string();
    if (m_ledger.enabled()) {
        std::vector<CardFile> cardFiles;
        cardFiles.reserve(listing.relativePaths.size());
        for (std::size_t index = 0; index < listing.relativePaths.size() && index < stamps.size(); ++index)
            cardFiles.push_back({listing.relativePaths[index], stamps[index].size, stamps[index].modifiedSeconds,
                                 stamps[index].modifiedNanoseconds});
        const std::string checksums = checksumFileText(listing, cardHashes);
        record = m_ledger.create(record, cardFiles,
                                 [&] { fileops::atomicWrite(cacheBatch / checksumFileName, checksums); });
    }

    // A card that cannot be cleared (locked, read-only, taken out, swapped for
    // another) must not keep its files from the server: the drain goes on and
    // records the card as not cleared, with the reason.
    // A file that differs from the card's own record of it keeps the card as it is.
    Outcome outcome;
    outcome.batchURL = cacheBatch;
    outcome.files = listing.files;
    outcome.bytes = listing.bytes;
    outcome.cacheSpaceUnchecked = cacheRoom.unchecked();
    if (!unmatched.empty()) {
        outcome.notCleared = because(NotCleared::Reason::historyMismatch);
        outcome.notCleared->files = unmatched;
    }
    if (settings.clearAfterCopy && !outcome.notCleared) {
        outcome.notCleared = whyTheCacheWouldNotLast(cacheBatch);
        if (!outcome.notCleared)
            outcome.notCleared = whyNotTheListedCard(source, held, m_options.useUniqueMountIds);
        if (!outcome.notCleared) {
            update(DrainEvent::clearing(listing.files, listing.bytes));
            // Checked again: the card may have been swapped while the report was shown.
            outcome.notCleared = whyNotTheListedCard(source, held, m_options.useUniqueMountIds);
        }
        if (!outcome.notCleared) {
            try {
                const ClearingOutcome cleared = clearCard(held.root.get(), source, listing, stamps, historyFiles(cardHistory));
                if (!cleared.cleared()) {
                    outcome.notCleared = because(NotCleared::Reason::filesLeft);
                    outcome.notCleared->count = cleared.filesLeft;
                }
            } catch (const FileSystemError &error) {
                outcome.notCleared = clearingFailure(error);
            }
        }
        outcome.cardCleared = !outcome.notCleared;
    }
    // The desktop may eject the card now.
    held.root.reset();
    facts.cardCleared = outcome.cardCleared;
    record.notCleared = outcome.notCleared;

    try {
        if (m_ledger.enabled()) {
            // The manifests take what happened to the card from memory, so a record
            // that cannot be written now never makes them say otherwise.
            if (std::optional<BatchRecord> written = m_ledger.change(record.id, sentByThisProcess(), [&](BatchRecord &now) {
                    now.facts.cardCleared = facts.cardCleared;
                    now.notCleared = record.notCleared;
                }))
                record = *written;
        }
        outcome.remoteURL = sendToServer(record, listing, cardHashes, update, bytes, outcome.serverSpaceUnchecked);
        outcome.leftAttempts = record.leftAttempts;
    } catch (const CancellationError &) {
        throw; // quitting: the claim ends with the program, the next start sends the batch
    } catch (const std::exception &failure) {
        if (!m_ledger.enabled())
            throw;
        release(record);
        throw ServerCopyPending(failure, std::current_exception(), record);
    }
    return outcome;
}

} // namespace slatewick

#include "engine/drainengine.h"

#include "engine/batchfolder.h"
#include "engine/batchrecords.h"
#include "engine/cardclearing.h"
#include "engine/inventory.h"
#include "engine/readback.h"
#include "engine/treecopy.h"
#include "engine/verification.h"
#include "model/batchmanifest.h"
#include "model/batchpath.h"
#include "model/drainerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <chrono>
#include <exception>

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

} // namespace

DrainEngine::DrainEngine(fs::path applicationData)
    : m_applicationData(std::move(applicationData))
{
}

fs::path DrainEngine::cacheRoot() const
{
    const fs::path root = m_applicationData / "Slatewick" / "Cache";
    fileops::createDirectories(root);
    return root;
}

DrainEngine::Outcome DrainEngine::drain(const InsertedCard &card, const DrainSettings &settings,
                                        const Update &update, std::stop_token stop)
{
    const fs::path source = card.url;
    std::string batchName;
    fs::path cacheBatch;
    Inventory listing;
    {
        // Steps 1 to 7 in one stretch: no other drain can take the batch folder
        // between its choice and its creation.
        FairLockHold hold(&m_lock);
        if (!fileops::exists(source))
            throw DrainError::sourceUnavailable();
        batchName = BatchPath::rendered(settings.namingTemplate, card.displayName);
        cacheBatch = createUniqueDirectory(cacheRoot(), batchName);
        listing = inventory(source);
        if (listing.files <= 0)
            throw DrainError::noFiles();
    }
    const fs::path remoteRoot = settings.remoteDirectory;

    update(DrainPhase::caching, 0.0, "Copying " + std::to_string(listing.files) + " files into the local cache");
    std::vector<ContentHash> cardHashes;
    {
        // The verified pages stay cached: the server copy reads them next.
        ReadBack readBack(cacheBatch, listing, true);
        cardHashes = copyTree(source, cacheBatch, listing, DrainPhase::caching, update, stop, {&m_lock, &readBack, false});
        verifyCopy(cacheBatch, listing, cardHashes, cacheLocation, &readBack, &m_lock);
    }
    // From here on the card's content is safe in the cache: a stop request no
    // longer ends the drain, the server copy continues from the cache.

    const bool clearAfterCopy = settings.clearAfterCopy;
    // A card that cannot be cleared (locked, read-only, or already taken out)
    // must not keep its files from the server: the drain goes on, records the
    // card as not cleared, and fails with that reason once both copies are verified.
    std::exception_ptr clearingFailure;
    if (clearAfterCopy && !fileops::exists(source)) {
        clearingFailure = std::make_exception_ptr(DrainError::sourceUnavailable());
    } else if (clearAfterCopy) {
        update(DrainPhase::clearing, 1.0,
               "Local cache verified; clearing card so it can be reused while the server copy continues");
        FairLockHold hold(&m_lock);
        try {
            clearCard(source);
        } catch (const FileSystemError &) {
            clearingFailure = std::current_exception();
        }
    }

    if (!fileops::exists(remoteRoot))
        throw DrainError::remoteUnavailable();
    update(DrainPhase::copying, 0.0, "Sending verified cache to " + folderText(settings.remoteDirectory));
    fs::path serverBatch;
    {
        FairLockHold hold(&m_lock);
        serverBatch = createUniqueDirectory(remoteRoot, batchName);
    }
    {
        ReadBack readBack(serverBatch, listing, false);
        copyTree(cacheBatch, serverBatch, listing, DrainPhase::copying, update, std::stop_token(),
                 {&m_lock, &readBack, false});
        // Against the card's own hashes: the server batch is proven equal to the card.
        verifyCopy(serverBatch, listing, cardHashes, serverLocation, &readBack, &m_lock);
    }

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
        manifest.cardCleared = clearAfterCopy && !clearingFailure;
        writeBatchRecords({cacheBatch, serverBatch}, manifest, checksumFileText(listing, cardHashes));
    }
    if (clearingFailure)
        std::rethrow_exception(clearingFailure);
    return Outcome{cacheBatch, serverBatch, listing.files, listing.bytes};
}

} // namespace slatewick

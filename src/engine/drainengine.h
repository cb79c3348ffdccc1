#pragma once

#include "engine/contenthash.h"
#include "engine/fairlock.h"
#include "engine/inventory.h"
#include "engine/pendingtransfer.h"
#include "engine/spacecheck.h"
#include "model/drainphase.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

namespace slatewick {

// Drains one card end to end: a verified copy in a new batch folder of the local
// cache, the card cleared when allowed, a verified copy in a new batch folder of
// the server folder, and the manifest and checksum file in both.
// One engine serves every card; it behaves as one actor (see drain()).
class DrainEngine {
public:
    struct Outcome {
        std::filesystem::path batchURL;   // the cache batch folder
        std::filesystem::path remoteURL;  // the server batch folder
        std::int64_t files = 0;
        std::int64_t bytes = 0;
        bool cardCleared = false;
        // Why a card that was to be cleared was not, as the end of a sentence
        // ("it is locked or read-only."); empty otherwise.
        std::string notClearedReason;
        // Free space that could not be checked, as sentences; empty when it was.
        std::string spaceNote;
    };
    // Called on the drain's own thread; returns once the report has been applied.
    // It may throw (e.g. CancellationError when the program quits): the drain then ends with that exception.
    using Update = std::function<void(DrainPhase phase, double progress, const std::string &detail)>;
    // Bytes done of the total of the copy under way, told often, inside large files
    // too; must return at once (it is not awaited, and it holds up this drain's copy).
    using ByteUpdate = std::function<void(DrainPhase phase, std::int64_t done, std::int64_t total)>;

    struct Options {
        // Where the server folder's file system is recorded; empty keeps no record.
        std::filesystem::path stateFolder;
        // Seams for tests; the program keeps the defaults.
        // Kernels before 6.8 have none; a test can drain as on such a kernel.
        bool useUniqueMountIds = true;
        // Runs between the verified cache copy and the clearing.
        std::function<void()> beforeClearing;
    };

    // The cache root is applicationData / "Slatewick" / "Cache" (the program passes userfolders::applicationData()).
    explicit DrainEngine(std::filesystem::path applicationData);
    DrainEngine(std::filesystem::path applicationData, Options options);
    // Thread-safe: several threads may drain different cards at once on one engine,
    // each at its own card's speed. The engine-wide lock, taken in arrival order,
    // guards only what drains share (choosing and creating a batch folder, writing
    // the records), never a listing, a file copy, a read-back or a clearing.
    // A stop request ends the drain before its next file with CancellationError,
    // until the cache copy is verified; after that the server copy runs to its end.
    // A card that cannot be cleared does not end the drain: see Outcome.
    // Once the cache batch is verified it is recorded as pending (with a state
    // folder), and a server copy that does not end verified throws ServerCopyPending.
    Outcome drain(const InsertedCard &card, const DrainSettings &settings, const Update &update,
                  std::stop_token stop, const ByteUpdate &bytes = {});
    // Sends a pending batch: the cache batch is read again against its checksum
    // file (DrainError::cacheChanged when it differs, cacheGone when it is gone),
    // then copied, verified and recorded exactly as a drain would, and the record
    // removed. A server that is still unavailable throws remoteUnavailable.
    // Nothing when the batch is being sent already (by its own drain, or another call).
    std::optional<Outcome> sendPending(PendingTransfer transfer, const Update &update, const ByteUpdate &bytes = {});
    const PendingStore &pendingStore() const { return m_pending; }
    std::filesystem::path cacheRoot() const; // creates it if needed; throws FileSystemError
    std::filesystem::path cacheFolder() const { return m_applicationData / "Slatewick" / "Cache"; } // never creates it

private:
    // The server half of a drain: copy, verify against the card's hashes, record in both places.
    // spaceNote: set where the server's free space could not be checked.
    std::filesystem::path sendToServer(PendingTransfer &transfer, const Inventory &listing,
                                       const std::vector<ContentHash> &cardHashes, const Update &update,
                                       const ByteUpdate &bytes, std::string &spaceNote);

    const std::filesystem::path m_applicationData;
    const Options m_options;
    const PendingStore m_pending;
    FairLock m_lock;
    // The pending records being sent now, so that a retry never sends a batch
    // that its own drain is still sending.
    std::mutex m_sendingMutex;
    std::set<std::filesystem::path> m_sending;

    // Marks a pending record as being sent for as long as it lives.
    class SendingClaim {
    public:
        SendingClaim(DrainEngine &engine, std::filesystem::path record);
        ~SendingClaim();
        SendingClaim(const SendingClaim &) = delete;
        SendingClaim &operator=(const SendingClaim &) = delete;
        bool claimed() const { return m_claimed; }

    private:
        DrainEngine &m_engine;
        std::filesystem::path m_record;
        bool m_claimed = false;
    };
    SpaceLedger m_space;
};

} // namespace slatewick

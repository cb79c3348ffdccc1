#pragma once

#include "engine/files/contenthash.h"
#include "engine/records/fairlock.h"
#include "engine/files/inventory.h"
#include "engine/records/batchledger.h"
#include "engine/records/notcleared.h"
#include "engine/records/servercopypending.h"
#include "engine/drain/drainevent.h"
#include "engine/space/spacecheck.h"
#include "model/drainphase.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>
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
        // Why a card that was to be cleared was not; nothing otherwise.
        std::optional<NotCleared> notCleared;
        // Free space that could not be checked before the copy there.
        bool cacheSpaceUnchecked = false;
        bool serverSpaceUnchecked = false;
        // Earlier tries on the server that could not be proven this batch's own, left in place.
        std::vector<std::filesystem::path> leftAttempts;
    };
    // Called on the drain's own thread; returns once the report has been applied.
    // It may throw (e.g. CancellationError when the program quits): the drain then ends with that exception.
    using Update = std::function<void(const DrainEvent &event)>;
    // Bytes done of the total of the copy under way, told often, inside large files
    // too; must return at once (it is not awaited, and it holds up this drain's copy).
    using ByteUpdate = std::function<void(DrainPhase phase, std::int64_t done, std::int64_t total)>;

    struct Options {
        // Where the batch records and the server folders' file systems are kept; empty keeps none.
        std::filesystem::path stateFolder;
        // Kernels before 6.8 give no unique mount id; false drains as on such a kernel.
        bool useUniqueMountIds = true;
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
    // Once the cache batch is verified it has a record (with a state folder), and a
    // server copy that does not end verified throws ServerCopyPending: the batch waits.
    Outcome drain(const InsertedCard &card, const DrainSettings &settings, const Update &update,
                  std::stop_token stop, const ByteUpdate &bytes = {});
    // Sends a batch whose record says it waits in the cache: claims it, reads the
    // cache batch again against its checksum file (a batch that changed or went is
    // recorded as not sendable and DrainError::cacheChanged or cacheGone thrown),
    // then copies, verifies and records it exactly as a drain would. Throws what
    // kept it from the server; the batch then waits again. Nothing when the record
    // is in another state (its drain or another program sends it, or it is done).
    // redirectTo: the batch goes to this folder instead of the one it was drained for.
    std::optional<Outcome> sendPending(const std::string &recordId, const Update &update,
                                       const ByteUpdate &bytes = {},
                                       const std::optional<std::filesystem::path> &redirectTo = {});
    // The batch a card went into before, where the card is known by its file
    // system's UUID or serial and holds just what was listed then (or nothing,
    // once cleared). Reads the card: never on the main thread.
    std::optional<BatchRecord> alreadyDrained(const InsertedCard &card) const;
    const BatchLedger &ledger() const { return m_ledger; }
    const std::filesystem::path &stateFolder() const { return m_options.stateFolder; }
    // Start-up work, off the main thread: records of earlier versions and verified
    // batches without a record get one (looked for once a run); claims of programs
    // that are gone return to the cache (each call).
    void adoptEarlierRecords();
    std::filesystem::path cacheRoot() const; // creates it if needed; throws FileSystemError
    std::filesystem::path cacheFolder() const { return m_applicationData / "Slatewick" / "Cache"; } // never creates it

private:
    // The server half of a drain, for a batch this process has claimed: copy,
    // verify against the card's hashes, record in both places and in its record.
    // spaceUnchecked: set where the server's free space could not be checked.
    std::filesystem::path sendToServer(BatchRecord &record, const Inventory &listing,
                                       const std::vector<ContentHash> &cardHashes, const Update &update,
                                       const ByteUpdate &bytes, bool &spaceUnchecked);
    // An earlier try of this batch that holds its manifest and reads back whole is
    // recorded as the batch on the server; false where there is none such.
    bool adoptFinishedTry(int serverFd, BatchRecord &record);
    // Removes the folder an earlier try of this batch made where it is provably that
    // folder and no other record names it; otherwise it is left and named.
    void removeEarlierTry(int serverFd, BatchRecord &record);
    // The batch back to the cache's keeping after a send that did not end verified.
    void release(const BatchRecord &record);

    const std::filesystem::path m_applicationData;
    const Options m_options;
    FairLock m_lock;
    const BatchLedger m_ledger;
    std::atomic<bool> m_adopted = false; // adoptEarlierRecords() has looked this run
    SpaceLedger m_space;
};

} // namespace slatewick

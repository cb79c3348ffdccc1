#pragma once

#include "engine/records/batchrecord.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

class FairLock;

// The records of every batch, one file each under <state folder>/batches.
// Every change re-reads the record from storage and writes it atomically under
// the engine's lock and an flock on the folder, so two threads or two programs
// never both act on one batch: whoever finds another state than it expects does nothing.
class BatchLedger {
public:
    using Expectation = std::function<bool(const BatchRecord &)>;
    using Edit = std::function<void(BatchRecord &)>;
    struct Unreadable {
        std::filesystem::path file;
        std::string problem;
    };

    // An empty state folder keeps no records.
    BatchLedger(const std::filesystem::path &stateFolder, FairLock &lock);

    bool enabled() const { return !m_folder.empty(); }
    const std::filesystem::path &folder() const { return m_folder; }

    // Writes a new record, naming it, with the card's listing beside it. underLock
    // runs first under the same locks (the drain writes its checksum file there,
    // so no one ever sees that file without its record). Throws FileSystemError.
    BatchRecord create(BatchRecord record, const std::vector<CardFile> &card,
                       const std::function<void()> &underLock = {}) const;
    std::optional<BatchRecord> read(const std::string &id) const;
    // Every readable record, in the order the batches were cached.
    std::vector<BatchRecord> all(std::vector<Unreadable> *unreadable = nullptr) const;
    // Applies edit and writes the record when the stored one meets expected;
    // gives the record as written, or nothing when it is gone or did not meet it.
    std::optional<BatchRecord> change(const std::string &id, const Expectation &expected, const Edit &edit) const;
    std::vector<CardFile> cardFiles(const std::string &id) const;
    // Claims of processes that are gone return the batch to "cached".
    void releaseAbandonedClaims() const;
    // Runs work under both locks.
    void locked(const std::function<void()> &work) const;

private:
    std::filesystem::path fileOf(const std::string &id) const { return m_folder / (id + ".json"); }

    std::filesystem::path m_folder;
    FairLock &m_lock;
};

BatchLedger::Expectation inState(BatchState state);
// Being sent by this very process.
BatchLedger::Expectation sentByThisProcess();

} // namespace slatewick

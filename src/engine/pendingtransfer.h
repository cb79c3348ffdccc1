#pragma once

#include "model/batchmanifest.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace slatewick {

// A verified cache batch whose server copy has not ended verified. Written to
// storage the moment the cache batch is verified, before the card is cleared,
// and removed only once the server batch is verified and both manifests are
// written, so a crash or power cut leaves either this or a finished batch.
struct PendingTransfer {
    std::filesystem::path recordFile; // where it is kept; given by PendingStore::save
    std::filesystem::path cacheBatch;
    std::string batchName;
    std::filesystem::path serverFolder; // the folder that applied when the card was drained
    // A server batch begun by an earlier try; it is removed before the next one.
    std::optional<std::filesystem::path> serverBatch;
    BatchManifest facts; // all but copiedToServerAt and remotePath
    std::string notClearedReason;
};

// The pending records under the state folder, one file each.
class PendingStore {
public:
    struct Entry {
        std::filesystem::path file;
        std::optional<PendingTransfer> transfer; // nothing when it cannot be read
        std::string problem;                     // why not
    };

    explicit PendingStore(std::filesystem::path stateFolder);

    // Writes the record atomically, naming a new one. Throws FileSystemError.
    void save(PendingTransfer &transfer) const;
    void remove(const PendingTransfer &transfer) const;
    // Every record, in the order their batches were cached; unreadable ones too,
    // which are never removed here.
    std::vector<Entry> load() const;

private:
    std::filesystem::path m_folder;
};

// The server copy of a verified cache batch did not end verified; the batch
// stays pending and is sent when the server folder answers. what() is the cause.
class ServerCopyPending final : public std::runtime_error {
public:
    ServerCopyPending(const std::string &cause, PendingTransfer transfer)
        : std::runtime_error(cause)
        , m_transfer(std::move(transfer))
    {
    }
    const PendingTransfer &transfer() const { return m_transfer; }

private:
    PendingTransfer m_transfer;
};

} // namespace slatewick

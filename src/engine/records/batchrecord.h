#pragma once

#include "engine/records/notcleared.h"
#include "model/batchcheck.h"
#include "model/batchmanifest.h"
#include "platform/mountfacts.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// Where a batch stands; a batch has a record from the moment its cache copy is verified.
enum class BatchState {
    cached,      // verified in the cache, waiting to be sent
    sending,     // claimed by the process named in `owner`
    onServer,    // verified on the server
    freed,       // removed from the cache after its server batch read back whole
    notSendable, // its cache batch changed or went: `problem` says which
};

const char *stateName(BatchState state);
std::optional<BatchState> stateNamed(const std::string &name);

// The process that claimed a batch. A claim of a process that is gone (another
// boot, a pid that ended or was reused) counts as no claim at all.
struct SendOwner {
    std::string bootId;
    std::int64_t pid = 0;
    std::uint64_t startTime = 0; // in clock ticks after boot, from /proc/<pid>/stat

    static SendOwner self();
    bool alive() const;
    bool operator==(const SendOwner &) const = default;
};

// A server folder a send created, and the token of the marker file it wrote into
// it: a folder found later at that path is this one only if it holds that token.
// Device and inode numbers prove nothing there (a share numbers its folders anew at
// each mount, and a removed folder's inode is soon reused).
struct SendAttempt {
    std::filesystem::path folder;
    std::string token;
};

// What the card held when it was listed, kept to know it again at a later start.
struct CardFile {
    std::string path;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool operator==(const CardFile &) const = default;
};

// The one truth of a batch's life; stored by BatchLedger.
struct BatchRecord {
    std::string id; // the record's file name without ".json"
    BatchState state = BatchState::cached;
    std::filesystem::path cacheBatch;
    std::string batchName;
    std::filesystem::path serverFolder;
    // The file system the server folder must lie on for this batch; none: not known yet.
    std::optional<MountFacts> serverFileSystem;
    std::optional<SendOwner> owner;     // while sending
    std::optional<SendAttempt> attempt; // the folder the last send made, until the batch is on the server
    // Earlier tries that could not be proven ours: left where they are, named to the user.
    std::vector<std::filesystem::path> leftAttempts;
    std::filesystem::path serverBatch; // once on the server
    BatchManifest facts;               // as the manifest will record them
    std::optional<NotCleared> notCleared; // why a card that was to be cleared was not
    std::string problem;               // not sendable: why, as the drain error's sentence
    std::optional<BatchCheck> changes; // not sendable: how the cache batch differs from its checksum file
    // Not sendable because the cache batch is gone (else: it changed since it was verified).
    bool cacheGone = false;
    bool dismissed = false;            // the user dismissed the row of a batch not sent
    std::string cardSerial;            // the card's file-system UUID or serial; empty: unknown

    std::string encoded() const;
    // Throws std::exception on anything that is not a record of this format.
    static BatchRecord decoded(const std::string &text);
    // A record of the earlier format that kept waiting batches in <state>/pending, as cached.
    static BatchRecord fromPendingRecord(const std::string &text);
};

} // namespace slatewick

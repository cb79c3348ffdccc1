#pragma once

#include "model/batchcheck.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace slatewick {

// The drain's own failures, with the facts each case needs; what() is the English
// sentence, and the coordinator's presenter words each case for the row.
class DrainError final : public std::runtime_error {
public:
    enum class Kind {
        verificationFailed,
        sourceUnavailable,
        remoteUnavailable,
        noFiles,
        unsafeTemplate,
        changedWhileRead,
        cacheChanged,
        cacheGone,
        noRoom,
        reservedName,
        nestedBatch,
        notAHistory,
    };

    static DrainError verificationFailed(std::string location);
    static DrainError sourceUnavailable() { return DrainError(Kind::sourceUnavailable); }
    static DrainError remoteUnavailable() { return DrainError(Kind::remoteUnavailable); }
    static DrainError noFiles() { return DrainError(Kind::noFiles); }
    static DrainError unsafeTemplate() { return DrainError(Kind::unsafeTemplate); }
    // relativePath: the card's file that was written to while it was copied.
    static DrainError changedWhileRead(std::string relativePath);
    // A pending batch that can no longer be sent: its cache batch differs from its checksum file.
    static DrainError cacheChanged(std::string cacheBatch, BatchCheck changes);
    static DrainError cacheGone(std::string cacheBatch);
    // location: "local cache" or "remote server"; the sentence names both figures.
    static DrainError noRoom(std::string location, std::int64_t needed, std::int64_t available);
    // fileName: a top-level card entry named like one of the batch's own records.
    static DrainError reservedName(std::string fileName);
    // A batch folder (inner) the naming template would put inside an existing batch (outer).
    // onServer: the cache batch exists and waits; otherwise nothing was written.
    static DrainError nestedBatch(std::string outer, const std::string &inner, bool onServer = false);

    // The card's top-level ascmhl entry is not an ASC MHL history; why, as the reader gives it.
    static DrainError notAHistory(std::string why);

    Kind kind() const { return m_kind; }
    // The copy that failed its check ("local cache" or "remote server"), the changed or
    // reserved file, the batch that would hold another, the cache batch that changed or
    // went, or why the card's history is not one.
    const std::string &location() const { return m_location; }
    // nestedBatch: the folder the new batch would have; onServer: where it would.
    const std::string &inner() const { return m_inner; }
    bool onServer() const { return m_onServer; }
    // cacheChanged: how the cache batch differs.
    const BatchCheck *changes() const { return m_changes.get(); }
    // noRoom: what the copy needs and what its file system has free.
    std::int64_t needed() const { return m_needed; }
    std::int64_t available() const { return m_available; }
    std::string description() const { return what(); }

    bool operator==(const DrainError &other) const
    {
        return m_kind == other.m_kind && m_location == other.m_location;
    }

private:
    explicit DrainError(Kind kind, std::string location = {}, std::string sentence = {});

    Kind m_kind;
    std::string m_location;
    std::int64_t m_needed = 0;
    std::int64_t m_available = 0;
    std::string m_inner;
    bool m_onServer = false;
    std::shared_ptr<const BatchCheck> m_changes; // shared: exceptions are copied
};

} // namespace slatewick

#pragma once

#include "engine/files/inventory.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace slatewick {

// Room on a file system as statvfs gives it to an unprivileged writer.
struct FreeSpace {
    bool known = false; // false where the file system reports no size (f_blocks == 0, as many FUSE ones do)
    std::int64_t available = 0;
    std::int64_t blockSize = 0;
};
// Throws FileSystemError; path names the folder in the message.
FreeSpace freeSpaceOf(int folderFd, const std::filesystem::path &path);

// The room a copy of the listing takes beyond its bytes: each file's and folder's
// last block partly used, the checksum file's lines and the history's entries, the
// manifest and the records' temporaries (a card's own history within that margin),
// and the file system's block maps (4 bytes per 4 KiB block at most).
std::int64_t roomNeeded(const Inventory &listing, std::int64_t blockSize);

class SpaceLedger;

// Room held for one copy until it ends; moves, releases itself when destroyed.
class SpaceReservation {
public:
    SpaceReservation() = default;
    SpaceReservation(SpaceReservation &&other) noexcept;
    SpaceReservation &operator=(SpaceReservation &&other) noexcept;
    ~SpaceReservation();

    // The copy's bytes written so far: they now show in the free space itself.
    void written(std::int64_t bytesDone);
    void release();
    // The file system could not tell its free space: nothing was checked.
    bool unchecked() const { return m_unchecked; }

private:
    friend class SpaceLedger;
    SpaceLedger *m_ledger = nullptr;
    std::uint64_t m_id = 0;
    bool m_unchecked = false;
};

// The room that drains under way still have to write, per file system. An
// engine keeps one; its checks are made under the engine lock so that two
// drains never count the same free space.
class SpaceLedger {
public:
    // Reserves room for the listing on the folder's file system, or throws
    // DrainError::noRoom(location, needed, free) where free is what the file
    // system has less what other copies there still have to write.
    SpaceReservation reserve(int folderFd, const std::filesystem::path &folder, const Inventory &listing,
                             const std::string &location);

private:
    friend class SpaceReservation;
    struct Entry {
        dev_t device = 0;
        std::int64_t needed = 0;
        std::int64_t written = 0;
    };
    std::int64_t stillToWrite(dev_t device) const; // m_mutex held
    void setWritten(std::uint64_t id, std::int64_t bytes);
    void drop(std::uint64_t id);

    mutable std::mutex m_mutex; // reports of bytes come without the engine lock
    std::map<std::uint64_t, Entry> m_entries;
    std::uint64_t m_nextId = 1;
};

// The cache's check, made right after the card is listed: on a shortfall the
// empty batch folder is removed before the failure goes on.
SpaceReservation reserveCacheRoom(SpaceLedger &ledger, const std::filesystem::path &cacheBatch,
                                  const Inventory &listing, const std::string &location);

} // namespace slatewick

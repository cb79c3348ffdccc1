#include "engine/space/spacecheck.h"

#include "model/drainerror.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

// The manifest, the checksum file's own last block and each record's temporary
// while it is renamed into place.
constexpr std::int64_t recordsRoom = 1 << 20;
// A checksum line beyond its path: 32 hex digits, two spaces, a newline and an escape.
constexpr std::int64_t checksumLineRoom = 36;
// A file's hash element in a history generation beyond its path, and the
// generations a batch holds: the cache's, and the server's beside it.
constexpr std::int64_t historyEntryRoom = 256;
constexpr std::int64_t historyGenerations = 2;

} // namespace

FreeSpace freeSpaceOf(int folderFd, const fs::path &path)
{
    struct statvfs info {};
    if (::fstatvfs(folderFd, &info) != 0)
        FileSystemError::throwLast("read the free space of", path);
    FreeSpace space;
    space.known = info.f_blocks != 0;
    space.blockSize = static_cast<std::int64_t>(info.f_frsize ? info.f_frsize : info.f_bsize);
    space.available = static_cast<std::int64_t>(info.f_bavail) * space.blockSize;
    return space;
}

std::int64_t roomNeeded(const Inventory &listing, std::int64_t blockSize)
{
    std::set<std::string> folders;
    std::int64_t lines = 0;
    for (const std::string &path : listing.relativePaths) {
        lines += checksumLineRoom + static_cast<std::int64_t>(path.size())
                 + historyGenerations * (historyEntryRoom + static_cast<std::int64_t>(path.size()));
        for (fs::path folder = fs::path(path).parent_path(); !folder.empty(); folder = folder.parent_path())
            if (!folders.insert(folder.string()).second)
                break;
    }
    const std::int64_t partBlocks = (listing.files + static_cast<std::int64_t>(folders.size()) + 1) * blockSize;
    const std::int64_t blockMaps = listing.bytes / 1024;
    return listing.bytes + partBlocks + lines + blockMaps + recordsRoom;
}

SpaceReservation::SpaceReservation(SpaceReservation &&other) noexcept
    : m_ledger(std::exchange(other.m_ledger, nullptr))
    , m_id(other.m_id)
    , m_unchecked(other.m_unchecked)
{
}

SpaceReservation &SpaceReservation::operator=(SpaceReservation &&other) noexcept
{
    if (this != &other) {
        release();
        m_ledger = std::exchange(other.m_ledger, nullptr);
        m_id = other.m_id;
        m_unchecked = other.m_unchecked;
    }
    return *this;
}

SpaceReservation::~SpaceReservation()
{
    release();
}

void SpaceReservation::written(std::int64_t bytesDone)
{
    if (m_ledger)
        m_ledger->setWritten(m_id, bytesDone);
}

void SpaceReservation::release()
{
    if (SpaceLedger *ledger = std::exchange(m_ledger, nullptr))
        ledger->drop(m_id);
}

SpaceReservation SpaceLedger::reserve(int folderFd, const fs::path &folder, const Inventory &listing,
                                      const std::string &location)
{
    SpaceReservation reservation;
    const FreeSpace space = freeSpaceOf(folderFd, folder);
    if (!space.known) {
        reservation.m_unchecked = true;
        return reservation;
    }
    struct stat status {};
    if (::fstat(folderFd, &status) != 0)
        FileSystemError::throwLast("read", folder);
    const std::int64_t needed = roomNeeded(listing, std::max<std::int64_t>(space.blockSize, 512));
    std::lock_guard guard(m_mutex);
    const std::int64_t available = space.available - stillToWrite(status.st_dev);
    if (needed > available)
        throw DrainError::noRoom(location, needed, available);
    reservation.m_ledger = this;
    reservation.m_id = m_nextId++;
    m_entries[reservation.m_id] = Entry{status.st_dev, needed, 0};
    return reservation;
}

std::int64_t SpaceLedger::stillToWrite(dev_t device) const
{
    std::int64_t total = 0;
    for (const auto &[id, entry] : m_entries)
        if (entry.device == device)
            total += std::max<std::int64_t>(0, entry.needed - entry.written);
    return total;
}

void SpaceLedger::setWritten(std::uint64_t id, std::int64_t bytes)
{
    std::lock_guard guard(m_mutex);
    if (const auto found = m_entries.find(id); found != m_entries.end())
        found->second.written = bytes;
}

void SpaceLedger::drop(std::uint64_t id)
{
    std::lock_guard guard(m_mutex);
    m_entries.erase(id);
}

SpaceReservation reserveCacheRoom(SpaceLedger &ledger, const fs::path &cacheBatch, const Inventory &listing,
                                  const std::string &location)
{
    const UniqueFd folder(::open(cacheBatch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        FileSystemError::throwLast("open", cacheBatch);
    try {
        return ledger.reserve(folder.get(), cacheBatch, listing, location);
    } catch (const DrainError &) {
        // Nothing of the card was written: the batch folder is still empty.
        ::rmdir(cacheBatch.c_str());
        throw;
    }
}

} // namespace slatewick

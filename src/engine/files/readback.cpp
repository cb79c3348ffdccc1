#include "engine/files/readback.h"

#include "engine/files/filehashing.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t queueCapacity = 4096;
constexpr std::size_t blockSize = 1 << 20;

} // namespace

ReadBack::ReadBack(fs::path root, const Inventory &inventory, bool keepInPageCache, Grouping grouping)
    : m_root(std::move(root))
    , m_inventory(inventory)
    , m_keepInPageCache(keepInPageCache)
    , m_grouping(grouping)
    , m_results(inventory.relativePaths.size())
{
    m_worker = std::thread([this] { work(); });
}

ReadBack::~ReadBack()
{
    {
        std::lock_guard guard(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void ReadBack::submit(std::size_t index, std::int64_t size)
{
    {
        std::unique_lock guard(m_mutex);
        m_changed.wait(guard, [&] { return m_queue.size() < queueCapacity || m_abandoned; });
        m_queue.push_back(index);
        m_queuedBytes += size;
    }
    m_changed.notify_all();
}

std::vector<ReadBack::Result> ReadBack::finish()
{
    {
        std::lock_guard guard(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    return std::move(m_results);
}

std::size_t ReadBack::completed() const
{
    std::lock_guard guard(m_mutex);
    return m_completed;
}

bool ReadBack::groupReady() const
{
    return !m_queue.empty()
           && (m_closed || m_queuedBytes >= m_grouping.bytes || m_queue.size() >= m_grouping.files
               || m_queue.size() >= queueCapacity);
}

void ReadBack::work()
{
    UniqueFd rootFd;
    const auto buffer = std::make_unique_for_overwrite<char[]>(blockSize);
    for (;;) {
        std::vector<std::size_t> group;
        {
            std::unique_lock guard(m_mutex);
            m_changed.wait(guard, [&] { return m_abandoned || groupReady() || (m_closed && m_queue.empty()); });
            if (m_abandoned || m_queue.empty())
                return;
            group.assign(m_queue.begin(), m_queue.end());
            m_queue.clear();
            m_queuedBytes = 0;
        }
        m_changed.notify_all();
        // Opened once the copy has made it; without it nothing is read here and
        // verifyCopy reads every file itself.
        if (!rootFd) {
            rootFd.reset(::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            m_syncfsTrusted = rootFd && syncfsReachesStorage(rootFd.get());
        }
        if (rootFd)
            readGroup(group, rootFd.get(), buffer.get());
    }
}

void ReadBack::readGroup(const std::vector<std::size_t> &group, int rootFd, char *buffer)
{
    // One syncfs flushes a group of files at once where it reaches storage; a lone
    // (large) file, or any file elsewhere, gets its own fdatasync.
    const bool flushEach = group.size() == 1 || !m_syncfsTrusted;
    if (!flushEach && ::syncfs(rootFd) != 0)
        return;
    ContentHasher hasher;
    for (std::size_t index : group) {
        {
            std::lock_guard guard(m_mutex);
            if (m_abandoned)
                return;
        }
        UniqueFd fd(::openat(rootFd, m_inventory.relativePaths[index].c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (flushEach && ::fdatasync(fd.get()) != 0)
            continue;
        // The pages are clean now; dropping them makes the read below come from storage.
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        hasher.reset();
        // A failed read leaves the file to verifyCopy, which reads it again and reports the reason.
        if (hashWholeFile(fd.get(), hasher, buffer, blockSize) != 0)
            continue;
        if (!m_keepInPageCache)
            ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        m_results[index] = Result{true, hasher.digest(), identityOf(st)};
        std::lock_guard guard(m_mutex);
        ++m_completed;
    }
}

} // namespace slatewick

#include "engine/files/treecopy.h"

#include "engine/files/readback.h"
#include "model/drainerror.h"
#include "platform/cancellationerror.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t copyBlockSize = 1 << 20;
// Written bytes of one file after which their writeback is started.
constexpr off_t writebackStep = 16 << 20;
// How far ahead of the copy the source's blocks are requested.
constexpr off_t readAheadWindow = 8 << 20;

// Opens a file below root without following any link on the way, not even in
// an intermediate folder (openat2); on kernels without it, the last component
// still is never followed.
int openBeneath(int rootFd, const std::string &relative, int flags)
{
#ifdef SYS_openat2
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_NOFOLLOW);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    long fd;
    do
        fd = ::syscall(SYS_openat2, rootFd, relative.c_str(), &how, sizeof how);
    while (fd < 0 && errno == EAGAIN);
    if (fd >= 0)
        return static_cast<int>(fd);
    // ENOSYS: an older kernel; EPERM: a sandbox that filters the call.
    if (errno != ENOSYS && errno != EPERM)
        return -1;
#endif
    return ::openat(rootFd, relative.c_str(), flags | O_NOFOLLOW);
}

// A written file, whose closing is checked.
class OutputFd {
public:
    explicit OutputFd(int fd)
        : m_fd(fd)
    {
    }
    ~OutputFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    OutputFd(const OutputFd &) = delete;
    OutputFd &operator=(const OutputFd &) = delete;
    explicit operator bool() const { return m_fd >= 0; }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

struct CopiedFile {
    ContentHash hash;
    std::int64_t sizeNow = 0;
    FileStamp stamp;
};

bool changedWhileRead(const struct stat &before, const struct stat &after)
{
    return before.st_size != after.st_size || before.st_mtim.tv_sec != after.st_mtim.tv_sec
           || before.st_mtim.tv_nsec != after.st_mtim.tv_nsec || before.st_ctim.tv_sec != after.st_ctim.tv_sec
           || before.st_ctim.tv_nsec != after.st_ctim.tv_nsec;
}

bool allZero(const char *bytes, std::size_t size)
{
    return size == 0 || (bytes[0] == 0 && std::memcmp(bytes, bytes + 1, size - 1) == 0);
}

class FileCopier {
public:
    FileCopier(const fs::path &from, const fs::path &to, const CopyOptions &options)
        : m_from(from)
        , m_to(to)
        , m_options(options)
        , m_fromFd(options.sourceFd >= 0 ? ::fcntl(options.sourceFd, F_DUPFD_CLOEXEC, 0)
                                         : ::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
        , m_fromError(errno)
        , m_buffer(std::make_unique_for_overwrite<char[]>(copyBlockSize))
    {
    }

    // Bytes of earlier files, so the byte progress counts the whole tree.
    void setBytesBefore(std::int64_t bytes) { m_bytesBefore = bytes; }

    CopiedFile copy(const std::string &relative)
    {
        const fs::path source = m_from / relative;
        const fs::path destination = m_to / relative;
        makeParent(relative);

        if (!m_fromFd)
            throw FileSystemError("copy", source, m_fromError);
        // O_NONBLOCK: a FIFO put in a file's place must not hang the drain.
        UniqueFd in(openBeneath(m_fromFd.get(), relative, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (!in)
            FileSystemError::throwLast("copy", source);
        struct stat sourceStat {};
        if (::fstat(in.get(), &sourceStat) != 0)
            FileSystemError::throwLast("copy", source);
        if (!S_ISREG(sourceStat.st_mode))
            throw FileSystemError("copy", source, EINVAL);
        ::posix_fadvise(in.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

        OutputFd out(::openat(m_parentFd.get(), destination.filename().c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!out)
            FileSystemError::throwLast("copy", destination);

        m_hasher.reset();
        const std::int64_t length = copyData(in.get(), out.get(), sourceStat, source, destination);

        // The camera's time stays with the picture.
        const timespec times[2] = {{0, UTIME_OMIT}, sourceStat.st_mtim};
        if (::futimens(out.get(), times) != 0)
            FileSystemError::throwLast("copy", destination);
        // A network file system may report a failed write only when the file is closed.
        if (::close(out.release()) != 0)
            FileSystemError::throwLast("copy", destination);

        struct stat now {};
        if (::fstat(in.get(), &now) != 0)
            FileSystemError::throwLast("copy", source);
        // The camera or another program wrote to it while it was read: the hash is of
        // no single state of the file, and what is there now was never copied.
        if (m_options.sourceIsCard && changedWhileRead(sourceStat, now))
            throw DrainError::changedWhileRead(relative);
        return CopiedFile{m_hasher.digest(), length, FileStamp::of(sourceStat)};
    }

private:
    // Opens (making where missing) the file's parent folder below the destination root.
    void makeParent(const std::string &relative)
    {
        const std::size_t slash = relative.rfind('/');
        const std::string parent = slash == std::string::npos ? std::string() : relative.substr(0, slash);
        if (parent == m_lastParent)
            return;
        // Everything is made below this one folder, never through its path again: a
        // server folder that goes away (an unmounted share leaves an empty local
        // folder behind) can never receive the rest of the batch on the local disk.
        if (!m_toFd && m_options.destinationFd >= 0) {
            m_toFd.reset(::fcntl(m_options.destinationFd, F_DUPFD_CLOEXEC, 0));
            if (!m_toFd)
                FileSystemError::throwLast("copy into", m_to);
        } else if (!m_toFd) {
            if (m_options.makeRoot)
                fileops::createDirectories(m_to);
            m_toFd.reset(::open(m_to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!m_toFd)
                FileSystemError::throwLast("copy into", m_to);
        }
        UniqueFd folder(::dup(m_toFd.get()));
        fs::path made = m_to;
        for (const auto &component : fs::path(parent)) {
            made /= component;
            if (::mkdirat(folder.get(), component.c_str(), 0777) != 0 && errno != EEXIST)
                FileSystemError::throwLast("create folder", made);
            folder.reset(::openat(folder.get(), component.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!folder)
                FileSystemError::throwLast("create folder", made);
        }
        m_parentFd = std::move(folder);
        m_lastParent = parent;
    }

    // Reads every byte once, holes included (a card's file system may report a
    // hole wrongly, and the hash must be of what the card gives), hashing what is
    // written. Zero blocks of a sparse source stay holes in the copy. Gives the length read.
    std::int64_t copyData(int in, int out, const struct stat &sourceStat, const fs::path &source,
                          const fs::path &destination)
    {
        const bool sparse = sourceStat.st_blocks * 512 < sourceStat.st_size;
        off_t at = 0;
        off_t startedWriteback = 0;
        off_t requested = 0;
        for (;;) {
            // The card's next blocks stay requested while this one is hashed and
            // written, so a drain kept waiting for a processor leaves no card idle.
            if (requested - at <= readAheadWindow / 2 && requested < sourceStat.st_size) {
                ::posix_fadvise(in, requested, readAheadWindow, POSIX_FADV_WILLNEED);
                requested += readAheadWindow;
            }
            const ssize_t got = ::read(in, m_buffer.get(), copyBlockSize);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                FileSystemError::throwLast("copy", source);
            }
            if (got == 0)
                break;
            const std::size_t size = static_cast<std::size_t>(got);
            m_hasher.update(m_buffer.get(), size);
            if (sparse && allZero(m_buffer.get(), size)) {
                if (::lseek(out, at + got, SEEK_SET) < 0)
                    FileSystemError::throwLast("copy", destination);
            } else {
                fileops::writeAll(out, m_buffer.get(), size, destination, "copy");
            }
            at += got;
            // A large file goes to storage while it is still being copied, so the
            // flush before its read-back has little left to write. Advice only.
            if (at - startedWriteback >= writebackStep) {
                ::sync_file_range(out, startedWriteback, at - startedWriteback, SYNC_FILE_RANGE_WRITE);
                startedWriteback = at;
            }
            if (m_options.bytes && *m_options.bytes)
                (*m_options.bytes)(m_bytesBefore + at);
        }
        // A trailing hole: the copy gets its length without writing it.
        if (sparse && ::ftruncate(out, at) != 0)
            FileSystemError::throwLast("copy", destination);
        return at;
    }


    const fs::path &m_from;
    const fs::path &m_to;
    const CopyOptions &m_options;
    UniqueFd m_fromFd;
    int m_fromError;
    std::int64_t m_bytesBefore = 0;
    UniqueFd m_toFd;
    UniqueFd m_parentFd;
    std::unique_ptr<char[]> m_buffer;
    ContentHasher m_hasher;
    std::optional<std::string> m_lastParent;
};

} // namespace

std::vector<ContentHash> copyTree(const fs::path &from, const fs::path &to, const Inventory &inventory,
                                  DrainPhase phase, const ProgressUpdate &update, std::stop_token stop,
                                  const CopyOptions &options)
{
    const std::vector<std::string> &paths = inventory.relativePaths;
    std::vector<ContentHash> hashes;
    if (paths.empty())
        return hashes;
    hashes.reserve(paths.size());

    FileCopier copier(from, to, options);
    if (options.stamps)
        options.stamps->assign(paths.size(), FileStamp());
    std::int64_t copiedBytes = 0;
    for (std::size_t index = 0; index < paths.size(); ++index) {
        if (stop.stop_requested())
            throw CancellationError();
        copier.setBytesBefore(copiedBytes);
        const CopiedFile copied = copier.copy(paths[index]);
        hashes.push_back(copied.hash);
        if (options.stamps)
            (*options.stamps)[index] = copied.stamp;
        copiedBytes += copied.sizeNow;
        const double progress = inventory.bytes >= 1
                                    ? static_cast<double>(copiedBytes) / static_cast<double>(inventory.bytes)
                                    : static_cast<double>(index + 1) / static_cast<double>(inventory.files);
        update(DrainEvent::fileCopied(phase, std::min(progress, 1.0), static_cast<std::int64_t>(index + 1),
                                      inventory.files, inventory.bytes));
        if (options.readBack)
            options.readBack->submit(index, copied.sizeNow);
    }
    return hashes;
}

} // namespace slatewick

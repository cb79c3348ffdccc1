#include "engine/files/inventory.h"

#include "model/drainerror.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// fd is owned by this call. prefix is the folder's relative path with a trailing
// "/", or empty for the root.
void walkFolder(const fs::path &root, int fd, const std::string &prefix, const TreeVisitor &visit)
{
    DirHandle dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        throw FileSystemError("list", root / prefix, error);
    }
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw FileSystemError("list", root / prefix, errno);
            return;
        }
        // Hidden names are skipped; the system folders .Spotlight-V100,
        // .fseventsd and .Trashes are among them.
        if (entry->d_name[0] == '.')
            continue;
        const std::string relative = prefix + entry->d_name;
        struct stat st {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            FileSystemError::throwLast("read", root / relative);
        // A history at the top (ascmhl/) is the folder's record of itself, not
        // one of its files: it travels beside them (see mhltransfer.h).
        if (S_ISDIR(st.st_mode) && prefix.empty() && std::strcmp(entry->d_name, "ascmhl") == 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int child =
                ::openat(::dirfd(dir.get()), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0)
                FileSystemError::throwLast("list", root / relative);
            walkFolder(root, child, relative + "/", visit);
        } else if (S_ISREG(st.st_mode)) {
            visit(relative, st);
        }
    }
}

} // namespace

void walkTree(const fs::path &root, const TreeVisitor &visit)
{
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw DrainError::sourceUnavailable();
    walkFolder(root, fd, {}, visit);
}

void walkTree(int rootFd, const fs::path &root, const TreeVisitor &visit)
{
    const int fd = ::fcntl(rootFd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        throw DrainError::sourceUnavailable();
    // The duplicate shares the reading position of the original.
    ::lseek(fd, 0, SEEK_SET);
    walkFolder(root, fd, {}, visit);
}

Inventory inventory(const fs::path &root)
{
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw DrainError::sourceUnavailable();
    const UniqueFd owned(fd);
    return inventory(fd, root);
}

Inventory inventory(int rootFd, const fs::path &root)
{
    Inventory listing;
    walkTree(rootFd, root, [&](const std::string &relativePath, const struct stat &status) {
        listing.relativePaths.push_back(relativePath);
        listing.bytes += status.st_size;
    });
    // std::string orders byte for byte, so names differing only in Unicode
    // normalization stay two distinct files.
    std::sort(listing.relativePaths.begin(), listing.relativePaths.end());
    // The listing lives through the whole drain; no growth slack is kept.
    listing.relativePaths.shrink_to_fit();
    listing.files = static_cast<std::int64_t>(listing.relativePaths.size());
    return listing;
}

FileIdentity identityOf(const struct stat &status)
{
    const std::int64_t fields[] = {static_cast<std::int64_t>(status.st_dev), static_cast<std::int64_t>(status.st_ino),
                                   status.st_size,         status.st_mtim.tv_sec,
                                   status.st_mtim.tv_nsec, status.st_ctim.tv_sec,
                                   status.st_ctim.tv_nsec};
    const XXH128_hash_t hash = XXH3_128bits(fields, sizeof fields);
    return FileIdentity{hash.high64, hash.low64};
}

} // namespace slatewick

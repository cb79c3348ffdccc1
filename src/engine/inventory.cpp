#include "engine/inventory.h"

#include "model/drainerror.h"
#include "platform/filesystemerror.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <numeric>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

struct Walk {
    const fs::path &root;
    std::vector<std::string> paths;
    std::vector<FileIdentity> identities;
    std::int64_t bytes = 0;

    // fd is owned by this call. prefix is the folder's relative path with a
    // trailing "/", or empty for the root.
    void folder(int fd, const std::string &prefix)
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
            if (S_ISDIR(st.st_mode)) {
                const int child = ::openat(::dirfd(dir.get()), entry->d_name,
                                           O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child < 0)
                    FileSystemError::throwLast("list", root / relative);
                folder(child, relative + "/");
            } else if (S_ISREG(st.st_mode)) {
                paths.push_back(relative);
                identities.push_back(identityOf(st));
                bytes += st.st_size;
            }
        }
    }
};

} // namespace

FileIdentity identityOf(const struct stat &st)
{
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::int64_t>(st.st_size),  st.st_mtim.tv_sec,
                        st.st_mtim.tv_nsec,                     st.st_ctim.tv_sec,
                        st.st_ctim.tv_nsec};
}

DetailedListing detailedListing(const fs::path &root)
{
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw DrainError::sourceUnavailable();
    Walk walk{root, {}, {}, 0};
    walk.folder(fd, {});

    // std::string orders byte for byte, so names differing only in Unicode
    // normalization stay two distinct files.
    std::vector<std::size_t> order(walk.paths.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return walk.paths[a] < walk.paths[b]; });

    DetailedListing listing;
    listing.inventory.files = static_cast<std::int64_t>(order.size());
    listing.inventory.bytes = walk.bytes;
    listing.inventory.relativePaths.reserve(order.size());
    listing.identities.reserve(order.size());
    for (std::size_t index : order) {
        listing.inventory.relativePaths.push_back(std::move(walk.paths[index]));
        listing.identities.push_back(walk.identities[index]);
    }
    return listing;
}

Inventory inventory(const fs::path &root)
{
    return detailedListing(root).inventory;
}

} // namespace slatewick

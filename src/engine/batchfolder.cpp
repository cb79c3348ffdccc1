#include "engine/batchfolder.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace slatewick {

namespace fs = std::filesystem;

namespace {
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
} // namespace

fs::path createUniqueDirectory(const fs::path &root, const std::string &name)
{
    fileops::createDirectories(root);
    const UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd)
        FileSystemError::throwLast("create folder", root / name);
    return createUniqueDirectoryAt(rootFd.get(), root, name).path;
}

CreatedFolder createUniqueDirectoryAt(int rootFd, const fs::path &root, const std::string &name)
{
    const fs::path relative(name);
    UniqueFd parent(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    fs::path made = root;
    // The folders above the batch (a nested template's) are made below the root too.
    for (const fs::path &component : relative.parent_path()) {
        made /= component;
        if (::mkdirat(parent.get(), component.c_str(), 0777) != 0 && errno != EEXIST)
            FileSystemError::throwLast("create folder", made);
        parent.reset(::openat(parent.get(), component.c_str(), folderFlags));
        if (!parent)
            FileSystemError::throwLast("create folder", made);
    }
    constexpr int lastCounter = 1'000'000;
    const std::string last = relative.filename().string();
    for (int counter = 1; counter <= lastCounter; ++counter) {
        std::string candidate = last;
        if (counter > 1) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%02d", counter);
            candidate += suffix;
        }
        if (::mkdirat(parent.get(), candidate.c_str(), 0777) == 0) {
            UniqueFd fd(::openat(parent.get(), candidate.c_str(), folderFlags));
            if (!fd)
                FileSystemError::throwLast("create folder", made / candidate);
            return CreatedFolder{made / candidate, std::move(fd)};
        }
        if (errno != EEXIST)
            FileSystemError::throwLast("create folder", made / candidate);
    }
    throw FileSystemError("create folder", root / name, EEXIST);
}

} // namespace slatewick

#include "engine/records/batchfolder.h"

#include "engine/records/batchrecords.h"
#include "model/batchmanifest.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
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
        if (::mkdirat(parent.get(), component.c_str(), 0777) == 0)
            fileops::flushFolder(parent.get(), made.parent_path());
        else if (errno != EEXIST)
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
            fileops::flushFolder(parent.get(), made);
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

std::optional<std::string> recordNamedEntry(int folderFd)
{
    UniqueFd listed(::openat(folderFd, ".", folderFlags));
    DIR *dir = listed ? ::fdopendir(listed.get()) : nullptr;
    if (!dir)
        return std::nullopt;
    (void)listed.release(); // the listing owns it now
    std::optional<std::string> found;
    while (const dirent *entry = ::readdir(dir)) {
        for (const char *record : {BatchManifest::fileName, checksumFileName}) {
            if (::strcasecmp(entry->d_name, record) == 0)
                found = entry->d_name;
        }
        if (found)
            break;
    }
    ::closedir(dir);
    return found;
}

std::optional<fs::path> enclosingBatch(int rootFd, const fs::path &root, const std::string &name)
{
    UniqueFd folder(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    fs::path at = root;
    for (const fs::path &component : fs::path(name).parent_path()) {
        at /= component;
        folder.reset(::openat(folder.get(), component.c_str(), folderFlags));
        if (!folder)
            return std::nullopt; // nothing lies below a folder that is not there
        if (recordNamedEntry(folder.get()))
            return at;
    }
    return std::nullopt;
}

std::optional<fs::path> enclosingBatch(const fs::path &root, const std::string &name)
{
    const UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return rootFd ? enclosingBatch(rootFd.get(), root, name) : std::nullopt;
}

} // namespace slatewick

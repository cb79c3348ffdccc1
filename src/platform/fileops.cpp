#include "platform/fileops.h"

#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace slatewick::fileops {

namespace fs = std::filesystem;

bool exists(const fs::path &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

void flushFolder(int folderFd, const fs::path &folder)
{
    if (::fsync(folderFd) != 0)
        FileSystemError::throwLast("flush folder", folder);
}

namespace {

void syncFolder(const fs::path &folder)
{
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("flush folder", folder);
    flushFolder(fd.get(), folder);
}

} // namespace

void createDirectories(const fs::path &folder)
{
    fs::path made;
    for (const fs::path &component : folder) {
        made /= component;
        if (!component.has_filename())
            continue; // the root, or a trailing separator
        if (::mkdir(made.c_str(), 0777) == 0) {
            // Until its parent is flushed, a power cut may forget the folder and all it will hold.
            syncFolder(made.has_parent_path() ? made.parent_path() : fs::path("."));
            continue;
        }
        const int error = errno;
        struct stat st {};
        // An existing folder may answer EACCES or EROFS rather than EEXIST.
        if (error != EEXIST && (::stat(made.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
            throw FileSystemError("create folder", made, error);
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw FileSystemError("create folder", folder, ENOTDIR);
}

namespace {

void removeAt(int parentFd, const std::string &name, const fs::path &path)
{
    if (::unlinkat(parentFd, name.c_str(), 0) == 0 || errno == ENOENT)
        return;
    if (errno != EISDIR && errno != EPERM)
        FileSystemError::throwLast("remove", path);
    // O_NOFOLLOW: a link is never entered, so nothing outside the folder is touched.
    UniqueFd fd(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("remove", path);
    DIR *dir = ::fdopendir(::dup(fd.get()));
    if (!dir)
        FileSystemError::throwLast("remove", path);
    std::vector<std::string> children;
    while (dirent *entry = ::readdir(dir)) {
        std::string child = entry->d_name;
        if (child != "." && child != "..")
            children.push_back(std::move(child));
    }
    ::closedir(dir);
    for (const auto &child : children)
        removeAt(fd.get(), child, path / child);
    if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
        FileSystemError::throwLast("remove", path);
}

} // namespace

void atomicWrite(const fs::path &file, std::string_view bytes)
{
    std::string pattern = (file.parent_path() / ("." + file.filename().string() + ".XXXXXX")).string();
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("write", file);
    const fs::path temporary = pattern;
    try {
        writeAll(fd.get(), bytes.data(), bytes.size(), file);
        if (::fchmod(fd.get(), 0644) != 0 || ::fsync(fd.get()) != 0)
            FileSystemError::throwLast("write", file);
        fd.reset();
        if (::rename(temporary.c_str(), file.c_str()) != 0)
            FileSystemError::throwLast("write", file);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    syncFolder(file.parent_path());
}

std::string readFile(const fs::path &file)
{
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("read", file);
    std::string bytes;
    char buffer[65536];
    while (std::size_t got = readSome(fd.get(), buffer, sizeof buffer, file))
        bytes.append(buffer, got);
    return bytes;
}

void removeEntryAt(int parentFd, const std::string &name, const fs::path &path)
{
    removeAt(parentFd, name, path);
}

void removeFileIfPresent(const fs::path &file)
{
    if (::unlink(file.c_str()) == 0)
        syncFolder(file.parent_path()); // a removal too is on storage only once its folder is
    else if (errno != ENOENT)
        FileSystemError::throwLast("remove", file);
}

std::size_t readSome(int fd, void *buffer, std::size_t size, const fs::path &path)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            FileSystemError::throwLast("read", path);
    }
}

void writeAll(int fd, const void *buffer, std::size_t size, const fs::path &path, const char *operation)
{
    const auto *bytes = static_cast<const char *>(buffer);
    while (size > 0) {
        const ssize_t put = ::write(fd, bytes, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            FileSystemError::throwLast(operation, path);
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
}

} // namespace slatewick::fileops

#include "engine/files/verification.h"

#include "engine/files/filehashing.h"
#include "engine/files/readback.h"
#include "model/drainerror.h"
#include "platform/filesystemerror.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t readBlockSize = 1 << 20;

// The file's content as storage holds it: the caller has flushed the copy, so
// dropping the cached pages makes the read come from the device.
// flush: the caller's syncfs does not reach storage here, so the file is flushed on its own.
ContentHash readFromStorage(int rootFd, const fs::path &root, const std::string &relative, char *buffer, bool flush)
{
    const fs::path path = root / relative;
    UniqueFd fd(::openat(rootFd, relative.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("read", path);
    if (flush && ::fdatasync(fd.get()) != 0)
        FileSystemError::throwLast("flush", path);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    ContentHasher hasher;
    if (const int failed = hashWholeFile(fd.get(), hasher, buffer, readBlockSize))
        throw FileSystemError("read", path, failed);
    return hasher.digest();
}

// The listing comparison, without holding a second list of paths: each file of
// the copy is looked up in the source's sorted paths. The copy's paths are unique
// like the source's, so the same count with every path found, and the same total,
// is the same as equal listings. Gives each file's identity in the source's order,
// or nothing when the listings differ.
std::optional<std::vector<FileIdentity>> matchListing(const fs::path &root, const Inventory &source)
{
    const std::vector<std::string> &paths = source.relativePaths;
    std::vector<FileIdentity> identities(paths.size());
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    bool foreign = false;
    walkTree(root, [&](const std::string &relativePath, const struct stat &status) {
        ++files;
        bytes += status.st_size;
        const auto found = std::lower_bound(paths.begin(), paths.end(), relativePath);
        if (found == paths.end() || *found != relativePath) {
            foreign = true;
            return;
        }
        identities[static_cast<std::size_t>(found - paths.begin())] = identityOf(status);
    });
    if (foreign || files != source.files || files != static_cast<std::int64_t>(paths.size()) || bytes != source.bytes)
        return std::nullopt;
    return identities;
}

// Each folder of the copy and the folder that holds it, where one syncfs would
// not reach storage: the entries of the copy survive a power cut too.
void flushFolders(int rootFd, const fs::path &root, const Inventory &source)
{
    std::set<std::string> folders;
    for (const std::string &path : source.relativePaths) {
        for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            folders.insert(path.substr(0, slash));
    }
    for (const std::string &folder : folders) {
        UniqueFd fd(::openat(rootFd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd || ::fsync(fd.get()) != 0)
            FileSystemError::throwLast("flush", root / folder);
    }
    UniqueFd parent(::openat(rootFd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (::fsync(rootFd) != 0 || !parent || ::fsync(parent.get()) != 0)
        FileSystemError::throwLast("flush", root);
}

} // namespace

void verifyCopy(const fs::path &root, const Inventory &source, const std::vector<ContentHash> &sourceHashes,
                const std::string &location, ReadBack *overlapped)
{
    if (sourceHashes.size() != source.relativePaths.size())
        throw std::invalid_argument("verifyCopy: one hash per listed file is needed");
    if (!std::is_sorted(source.relativePaths.begin(), source.relativePaths.end()))
        throw std::invalid_argument("verifyCopy: the source listing is not sorted");

    const std::optional<std::vector<FileIdentity>> identities = matchListing(root, source);
    if (!identities)
        throw DrainError::verificationFailed(location);

    std::vector<ReadBack::Result> early;
    if (overlapped)
        early = overlapped->finish();

    UniqueFd rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd)
        throw DrainError::sourceUnavailable();

    const bool syncfsTrusted = syncfsReachesStorage(rootFd.get());
    std::unique_ptr<char[]> buffer;
    for (std::size_t index = 0; index < sourceHashes.size(); ++index) {
        const bool readEarly = index < early.size() && early[index].done
                               && early[index].identity == (*identities)[index];
        ContentHash hash;
        if (readEarly) {
            hash = early[index].hash;
        } else {
            if (!buffer) {
                buffer = std::make_unique_for_overwrite<char[]>(readBlockSize);
                // One flush for all the files still to be read.
                if (syncfsTrusted && ::syncfs(rootFd.get()) != 0)
                    FileSystemError::throwLast("flush", root);
            }
            hash = readFromStorage(rootFd.get(), root, source.relativePaths[index], buffer.get(), !syncfsTrusted);
        }
        if (hash != sourceHashes[index])
            throw DrainError::verificationFailed(location);
    }
    // The folders and their entries too, so the verified copy survives a power cut.
    if (!syncfsTrusted)
        flushFolders(rootFd.get(), root, source);
    else if (::syncfs(rootFd.get()) != 0)
        FileSystemError::throwLast("flush", root);
}

} // namespace slatewick

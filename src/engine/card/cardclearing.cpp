#include "engine/card/cardclearing.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

class Clearing {
public:
    Clearing(const fs::path &root, const Inventory &listing, const std::vector<FileStamp> &copied,
             const std::map<std::string, FileStamp> &alsoCopied, bool inodeNumbersKept)
        : m_root(root)
        , m_listing(listing)
        , m_copied(copied)
        , m_alsoCopied(alsoCopied)
        , m_inodeNumbersKept(inodeNumbersKept)
    {
    }

    // fd is a folder of the card; prefix its relative path with a trailing "/", or empty for the root.
    // Returns whether anything stays in it.
    bool clearFolder(int fd, const std::string &prefix)
    {
        bool kept = false;
        for (const std::string &name : namesIn(fd, prefix)) {
            const std::string relative = prefix + name;
            if (prefix.empty() && isProtectedCardEntry(name)) {
                kept = true;
                continue;
            }
            struct stat st {};
            if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue;
                FileSystemError::throwLast("remove", m_root / relative);
            }
            if (name.starts_with('.') || (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))) {
                fileops::removeEntryAt(fd, name, m_root / relative);
            } else if (S_ISDIR(st.st_mode)) {
                kept |= clearSubfolder(fd, name, relative);
            } else if (wasCopiedAsItIs(relative, st)) {
                if (::unlinkat(fd, name.c_str(), 0) != 0 && errno != ENOENT)
                    FileSystemError::throwLast("remove", m_root / relative);
            } else {
                ++m_outcome.filesLeft;
                kept = true;
            }
        }
        return kept;
    }

    const ClearingOutcome &outcome() const { return m_outcome; }

private:
    bool clearSubfolder(int parentFd, const std::string &name, const std::string &relative)
    {
        UniqueFd folder(::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!folder)
            FileSystemError::throwLast("remove", m_root / relative);
        if (clearFolder(folder.get(), relative + "/"))
            return true;
        if (::unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            FileSystemError::throwLast("remove", m_root / relative);
        return false;
    }

    bool wasCopiedAsItIs(const std::string &relative, const struct stat &st) const
    {
        const auto &paths = m_listing.relativePaths;
        const auto found = std::lower_bound(paths.begin(), paths.end(), relative);
        const FileStamp *copied = nullptr;
        if (found != paths.end() && *found == relative) {
            const auto index = static_cast<std::size_t>(found - paths.begin());
            copied = index < m_copied.size() ? &m_copied[index] : nullptr;
        } else if (const auto beside = m_alsoCopied.find(relative); beside != m_alsoCopied.end()) {
            copied = &beside->second;
        }
        if (!copied)
            return false;
        FileStamp now = FileStamp::of(st);
        if (!m_inodeNumbersKept)
            now.inode = copied->inode; // renumbered by the file system, not by a change
        return *copied == now;
    }

    std::vector<std::string> namesIn(int fd, const std::string &prefix) const
    {
        UniqueFd listed(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
        DIR *dir = listed ? ::fdopendir(listed.get()) : nullptr;
        if (!dir)
            FileSystemError::throwLast("list", m_root / prefix);
        ::rewinddir(dir);
        std::vector<std::string> names;
        errno = 0;
        while (const dirent *entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
            errno = 0;
        }
        const int readError = errno;
        ::closedir(dir); // closes the duplicate
        (void)listed.release();
        if (readError != 0)
            throw FileSystemError("list", m_root / prefix, readError);
        return names;
    }

    const fs::path &m_root;
    const Inventory &m_listing;
    const std::vector<FileStamp> &m_copied;
    const std::map<std::string, FileStamp> &m_alsoCopied;
    const bool m_inodeNumbersKept;
    ClearingOutcome m_outcome;
};

} // namespace

bool isProtectedCardEntry(std::string_view name)
{
    static constexpr std::array<std::string_view, 4> protectedNames{".DS_Store", ".Spotlight-V100", ".fseventsd",
                                                                     ".Trashes"};
    return std::find(protectedNames.begin(), protectedNames.end(), name) != protectedNames.end();
}

ClearingOutcome clearCard(int rootFd, const fs::path &root, const Inventory &listing,
                          const std::vector<FileStamp> &copied, const std::map<std::string, FileStamp> &alsoCopied)
{
    Clearing clearing(root, listing, copied, alsoCopied, keepsInodeNumbers(rootFd));
    clearing.clearFolder(rootFd, {});
    return clearing.outcome();
}

} // namespace slatewick

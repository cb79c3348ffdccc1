#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace slatewick {

// The listing of one folder tree: its regular files, sorted byte for byte.
// Equality is the verification rule of a copy: same count, same total, same paths.
struct Inventory {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    std::vector<std::string> relativePaths;

    bool operator==(const Inventory &) const = default;
};

// Lists the regular files below root: no link is listed or followed, hidden names
// (and with them .Spotlight-V100, .fseventsd and .Trashes) are skipped, folders are
// walked but not listed, and a top-level folder ascmhl (an ASC MHL history) is left out. Throws DrainError::sourceUnavailable when root cannot be
// opened, and FileSystemError with the system's reason for any entry below it that
// cannot be read, so nothing is passed over silently.
Inventory inventory(const std::filesystem::path &root);
// The same through an open descriptor of root (not taken over); root names it in messages.
Inventory inventory(int rootFd, const std::filesystem::path &root);

// The walk behind inventory(): calls visit for every file it would list, in
// directory order, with the file's relative path and its lstat() values.
using TreeVisitor = std::function<void(const std::string &relativePath, const struct stat &status)>;
void walkTree(const std::filesystem::path &root, const TreeVisitor &visit);
void walkTree(int rootFd, const std::filesystem::path &root, const TreeVisitor &visit);

// The state of one file as its metadata shows it, condensed into 128 bits. Any
// write, truncation or replacement of the file changes it (ctime, size, inode),
// so a file whose identity is unchanged still holds what was read from it.
struct FileIdentity {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    bool operator==(const FileIdentity &) const = default;
};
FileIdentity identityOf(const struct stat &status);

} // namespace slatewick

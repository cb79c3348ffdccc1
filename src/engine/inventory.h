#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
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

// The state of one listed file as its metadata shows it. Any write, truncation or
// replacement of the file changes it, so a file whose identity is unchanged since it
// was read back still holds what was read.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const FileIdentity &) const = default;
};

FileIdentity identityOf(const struct stat &st);

// A listing together with each file's identity, index-aligned with relativePaths.
struct DetailedListing {
    Inventory inventory;
    std::vector<FileIdentity> identities;
};

// Lists the regular files below root: no link is listed or followed, hidden names
// (and with them .Spotlight-V100, .fseventsd and .Trashes) are skipped, folders are
// walked but not listed. Throws DrainError::sourceUnavailable when root cannot be
// opened, and FileSystemError with the system's reason for any entry below it that
// cannot be read, so nothing is passed over silently.
Inventory inventory(const std::filesystem::path &root);
DetailedListing detailedListing(const std::filesystem::path &root);

} // namespace slatewick

#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace slatewick {

// A card file as it was copied: clearing removes the file only while its size and
// its modification and change times still hold, and its inode number where the
// card's file system keeps those, so a file changed since stays on the card, even
// one rewritten in place with its old modification time put back.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedSeconds = 0;
    std::int64_t changedNanoseconds = 0;
    std::uint64_t inode = 0;

    static FileStamp of(const struct stat &status)
    {
        return {status.st_size,         status.st_mtim.tv_sec, status.st_mtim.tv_nsec,
                status.st_ctim.tv_sec, status.st_ctim.tv_nsec, status.st_ino};
    }
    bool operator==(const FileStamp &) const = default;
};

} // namespace slatewick

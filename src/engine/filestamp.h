#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace slatewick {

// A card file's size and modification time as it was copied: clearing removes
// the file only while both still hold, so a file changed since stays on the card.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;

    static FileStamp of(const struct stat &status)
    {
        return {status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
    }
    bool operator==(const FileStamp &) const = default;
};

} // namespace slatewick

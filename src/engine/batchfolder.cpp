#include "engine/batchfolder.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <cerrno>
#include <cstdio>

namespace slatewick {

std::filesystem::path createUniqueDirectory(const std::filesystem::path &root, const std::string &name)
{
    // Far beyond any real count; only guards against looping for ever.
    constexpr int lastCounter = 1'000'000;
    for (int counter = 1; counter <= lastCounter; ++counter) {
        std::string candidate = name;
        if (counter > 1) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "-%02d", counter);
            candidate += suffix;
        }
        const std::filesystem::path folder = root / candidate;
        if (fileops::createDirectoryExclusive(folder))
            return folder;
    }
    throw FileSystemError("create folder", root / name, EEXIST);
}

} // namespace slatewick

#include "platform/mountfacts.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace slatewick {

namespace {

#ifndef STATX_MNT_ID_UNIQUE
constexpr unsigned statxMntIdUnique = 0x00004000U;
#else
constexpr unsigned statxMntIdUnique = STATX_MNT_ID_UNIQUE;
#endif

constexpr int statxFlags = AT_EMPTY_PATH | AT_STATX_DONT_SYNC;

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string unescaped(const std::string &field)
{
    std::string text;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field[at] == '\\' && at + 3 < field.size()) {
            const std::string digits = field.substr(at + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                text += static_cast<char>(std::stoi(digits, nullptr, 8));
                at += 3;
                continue;
            }
        }
        text += field[at];
    }
    return text;
}

} // namespace

std::optional<MountFacts> mountFactsOf(int fd)
{
    struct statx info {};
    if (::statx(fd, "", statxFlags, STATX_MNT_ID, &info) != 0 || !(info.stx_mask & STATX_MNT_ID))
        return std::nullopt;
    MountFacts facts;
    facts.mountId = info.stx_mnt_id;
    struct statx unique {};
    if (::statx(fd, "", statxFlags, statxMntIdUnique, &unique) == 0 && (unique.stx_mask & statxMntIdUnique))
        facts.uniqueMountId = unique.stx_mnt_id;

    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::uint64_t id = 0;
        if (!(fields >> id) || id != facts.mountId)
            continue;
        std::string field;
        while (fields >> field && field != "-") {
        }
        std::string type;
        std::string source;
        fields >> type >> source;
        facts.type = unescaped(type);
        facts.source = unescaped(source);
        return facts;
    }
    return std::nullopt;
}

bool isMountRoot(int fd)
{
    struct statx info {};
    return ::statx(fd, "", statxFlags, STATX_BASIC_STATS, &info) == 0
           && (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (info.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

bool syncfsReachesStorage(int fd)
{
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace slatewick

#include "platform/mountfacts.h"

#include "platform/uniquefd.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace slatewick {

namespace fs = std::filesystem;

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

// The fields of one line of /proc/self/mountinfo that are used here.
struct MountLine {
    std::string type;
    std::string source;
    std::string superOptions;
};

std::optional<std::uint64_t> mountIdOf(int fd)
{
    struct statx info {};
    if (::statx(fd, "", statxFlags, STATX_MNT_ID, &info) != 0 || !(info.stx_mask & STATX_MNT_ID))
        return std::nullopt;
    return info.stx_mnt_id;
}

std::optional<MountLine> mountLineOf(std::uint64_t mountId)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::uint64_t id = 0;
        std::uint64_t parent = 0;
        if (!(fields >> id) || id != mountId)
            continue;
        MountLine mount;
        std::string field;
        fields >> parent >> field; // major:minor; then root, mount point, options and tags up to "-"
        while (fields >> field && field != "-") {
        }
        fields >> mount.type >> mount.source >> mount.superOptions;
        mount.type = unescaped(mount.type);
        mount.source = unescaped(mount.source);
        return mount;
    }
    return std::nullopt;
}

// The value of key=value among comma-separated options; empty when it is not there.
std::string optionValue(const std::string &options, const std::string &key)
{
    std::istringstream list(options);
    for (std::string option; std::getline(list, option, ',');) {
        if (option.starts_with(key + "="))
            return unescaped(option.substr(key.size() + 1));
    }
    return {};
}

std::optional<std::string> memoryStorage(int fd, int depth);

std::optional<std::string> memoryStorageAt(const std::string &path, int depth)
{
    const UniqueFd fd(::open(path.c_str(), O_PATH | O_CLOEXEC));
    return fd ? memoryStorage(fd.get(), depth) : std::nullopt;
}

// The block device under a mount, by its name in /sys/block: a partition counts as its whole device.
std::optional<std::string> memoryDevice(const MountLine &mount, int fd, int depth)
{
    struct stat status {};
    dev_t device = 0;
    if (mount.source.starts_with('/') && ::stat(mount.source.c_str(), &status) == 0 && S_ISBLK(status.st_mode))
        device = status.st_rdev;
    else if (::fstat(fd, &status) == 0)
        device = status.st_dev;
    std::error_code error;
    fs::path block = fs::canonical(
        "/sys/dev/block/" + std::to_string(major(device)) + ":" + std::to_string(minor(device)), error);
    if (error)
        return std::nullopt;
    if (fs::exists(block / "partition", error))
        block = block.parent_path();
    const std::string name = block.filename().string();
    if (name.starts_with("zram"))
        return "zram";
    if (name.starts_with("ram"))
        return "RAM disk";
    std::ifstream backingFile(block / "loop" / "backing_file");
    std::string backing;
    if (name.starts_with("loop") && std::getline(backingFile, backing) && !backing.empty())
        return memoryStorageAt(backing, depth + 1);
    return std::nullopt;
}

std::optional<std::string> memoryStorage(int fd, int depth)
{
    struct statfs info {};
    if (::fstatfs(fd, &info) != 0)
        return std::nullopt;
    const auto type = static_cast<unsigned long>(info.f_type);
    if (type == TMPFS_MAGIC)
        return "tmpfs";
    if (type == RAMFS_MAGIC)
        return "ramfs";
    const std::optional<std::uint64_t> id = mountIdOf(fd);
    const std::optional<MountLine> mount = id ? mountLineOf(*id) : std::nullopt;
    // A loop image on an overlay on a loop image ... ends somewhere.
    if (!mount || depth > 8)
        return std::nullopt;
    if (type == OVERLAYFS_SUPER_MAGIC) {
        const std::string upper = optionValue(mount->superOptions, "upperdir");
        return upper.empty() ? std::nullopt : memoryStorageAt(upper, depth + 1);
    }
    return memoryDevice(*mount, fd, depth);
}

} // namespace

std::optional<MountFacts> mountFactsOf(int fd)
{
    const std::optional<std::uint64_t> id = mountIdOf(fd);
    const std::optional<MountLine> mount = id ? mountLineOf(*id) : std::nullopt;
    if (!mount)
        return std::nullopt;
    MountFacts facts;
    facts.mountId = *id;
    struct statx unique {};
    if (::statx(fd, "", statxFlags, statxMntIdUnique, &unique) == 0 && (unique.stx_mask & statxMntIdUnique))
        facts.uniqueMountId = unique.stx_mnt_id;
    facts.type = mount->type;
    facts.source = mount->source;
    return facts;
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

bool keepsInodeNumbers(int fd)
{
    // The same kernel file systems (ext2 and ext3 share ext4's magic): each keeps an
    // inode's number for as long as the file lives, which FUSE and FAT drivers do not.
    return syncfsReachesStorage(fd);
}

std::optional<std::string> memoryStorageOf(int fd)
{
    return memoryStorage(fd, 0);
}

} // namespace slatewick

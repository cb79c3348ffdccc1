#include "discovery/mounttable.h"

#include <fcntl.h>
#include <libmount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace slatewick {

namespace {

struct TableDeleter {
    void operator()(libmnt_table *table) const { mnt_unref_table(table); }
};
using Table = std::unique_ptr<libmnt_table, TableDeleter>;

std::string text(const char *value)
{
    return value ? value : "";
}

// The block device behind a mount. The mount's own number is not enough:
// btrfs and some others report an anonymous superblock number there.
std::optional<dev_t> blockDevice(libmnt_fs *fs)
{
    const std::string source = text(mnt_fs_get_srcpath(fs));
    struct stat info {};
    if (source.starts_with('/') && ::stat(source.c_str(), &info) == 0 && S_ISBLK(info.st_mode))
        return info.st_rdev;
    const dev_t number = mnt_fs_get_devno(fs);
    if (major(number) == 0)
        return std::nullopt;
    const std::string sysfs = "/sys/dev/block/" + std::to_string(major(number)) + ":" + std::to_string(minor(number));
    if (::access(sysfs.c_str(), F_OK) != 0)
        return std::nullopt;
    return number;
}

#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x00004000U
#endif

// The never-reused id of the mount on top of the mount point, if that is the
// mount the table describes. Cached attributes suffice, so a stuck FUSE
// daemon cannot hold up the caller.
std::uint64_t uniqueMountId(const char *mountPoint, int id)
{
    constexpr int flags = AT_NO_AUTOMOUNT | AT_SYMLINK_NOFOLLOW | AT_STATX_DONT_SYNC;
    struct statx info {};
    if (::statx(AT_FDCWD, mountPoint, flags, STATX_MNT_ID, &info) != 0 || !(info.stx_mask & STATX_MNT_ID)
        || info.stx_mnt_id != static_cast<std::uint64_t>(id))
        return 0;
    if (::statx(AT_FDCWD, mountPoint, flags, STATX_MNT_ID_UNIQUE, &info) != 0 || !(info.stx_mask & STATX_MNT_ID_UNIQUE))
        return 0;
    return info.stx_mnt_id;
}

std::string joinedOptions(libmnt_fs *fs, libmnt_table *fstab)
{
    std::string options = text(mnt_fs_get_vfs_options(fs)) + "," + text(mnt_fs_get_fs_options(fs)) + ","
        + text(mnt_fs_get_user_options(fs));
    // Desktop hiding options usually live only in fstab.
    if (fstab) {
        if (libmnt_fs *planned = mnt_table_find_target(fstab, mnt_fs_get_target(fs), MNT_ITER_FORWARD))
            options += "," + text(mnt_fs_get_options(planned));
    }
    return options;
}

Table parsed(const std::filesystem::path &mountInfo)
{
    Table table(mnt_new_table());
    if (!table)
        return nullptr;
    // The process's own table also gets the user options that libmount keeps beside the kernel's.
    const int status = mountInfo == MountTable::processTable ? mnt_table_parse_mtab(table.get(), nullptr)
                                                             : mnt_table_parse_file(table.get(), mountInfo.c_str());
    if (status != 0)
        return nullptr;
    return table;
}

Table parsedFstab()
{
    Table fstab(mnt_new_table());
    if (fstab && mnt_table_parse_fstab(fstab.get(), nullptr) != 0)
        return nullptr;
    return fstab;
}

} // namespace

std::optional<std::vector<MountEntry>> MountTable::blockDeviceMounts(const std::filesystem::path &mountInfo)
{
    const Table table = parsed(mountInfo);
    if (!table)
        return std::nullopt;
    const Table fstab = parsedFstab();
    std::vector<MountEntry> entries;
    libmnt_iter *iterator = mnt_new_iter(MNT_ITER_FORWARD);
    libmnt_fs *fs = nullptr;
    while (iterator && mnt_table_next_fs(table.get(), iterator, &fs) == 0) {
        // A bind mount of a sub-folder shows part of a volume, not the volume.
        if (text(mnt_fs_get_root(fs)) != "/" || !mnt_fs_get_target(fs))
            continue;
        const std::optional<dev_t> device = blockDevice(fs);
        if (!device)
            continue;
        entries.push_back(MountEntry{mnt_fs_get_id(fs), mnt_fs_get_target(fs), text(mnt_fs_get_source(fs)),
                                     text(mnt_fs_get_fstype(fs)), joinedOptions(fs, fstab.get()), *device,
                                     uniqueMountId(mnt_fs_get_target(fs), mnt_fs_get_id(fs))});
    }
    mnt_free_iter(iterator);
    return entries;
}

} // namespace slatewick

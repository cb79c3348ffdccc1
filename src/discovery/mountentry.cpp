#include "discovery/mountentry.h"

#include <sstream>

namespace slatewick {

namespace {

bool hasOption(const std::string &options, const std::string &wanted)
{
    std::istringstream list(options);
    std::string option;
    while (std::getline(list, option, ',')) {
        if (option == wanted || option.starts_with(wanted + "="))
            return true;
    }
    return false;
}

} // namespace

bool MountEntry::hiddenByTable() const
{
    if (fileSystemType == "squashfs" || fileSystemType == "erofs")
        return true;
    return hasOption(options, "x-gvfs-hide") || hasOption(options, "x-gdu.hide");
}

std::string MountEntry::key() const
{
    if (uniqueId != 0)
        return "mount " + std::to_string(uniqueId);
    return "mount " + std::to_string(id) + " of device " + std::to_string(device);
}

} // namespace slatewick

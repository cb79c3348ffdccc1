#include "discovery/slotpath.h"

#include <sstream>
#include <vector>

namespace slatewick {

namespace {

std::vector<std::string> components(const std::string &path)
{
    std::vector<std::string> parts;
    std::istringstream stream(path);
    std::string part;
    while (std::getline(stream, part, '/')) {
        if (!part.empty())
            parts.push_back(part);
    }
    return parts;
}

std::string joined(const std::vector<std::string> &parts, std::size_t count)
{
    std::string path;
    for (std::size_t i = 0; i < count; ++i)
        path += "/" + parts[i];
    return path;
}

bool isScsiDevice(const std::vector<std::string> &parts)
{
    const std::size_t n = parts.size();
    return n >= 3 && parts[n - 3].starts_with("host") && parts[n - 2].starts_with("target")
        && parts[n - 1].find(':') != std::string::npos;
}

// "mmc0:aaaa" under "mmc0": a card addressed on its host.
bool isMmcCard(const std::vector<std::string> &parts)
{
    const std::size_t n = parts.size();
    return n >= 2 && parts[n - 1].starts_with(parts[n - 2] + ":");
}

} // namespace

std::string stableSlotPath(const std::string &holderDevpath)
{
    const std::vector<std::string> parts = components(holderDevpath);
    if (isScsiDevice(parts)) {
        const std::string &address = parts.back(); // host:channel:target:lun
        return joined(parts, parts.size() - 3) + "/scsi-" + address.substr(address.find(':') + 1);
    }
    if (isMmcCard(parts))
        return joined(parts, parts.size() - 1);
    return holderDevpath;
}

} // namespace slatewick

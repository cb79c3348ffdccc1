#include "discovery/diskinfo.h"

namespace slatewick {

std::optional<std::string> diskString(const DiskInfo &info, const std::string &key)
{
    const auto found = info.find(key);
    if (found == info.end())
        return std::nullopt;
    const auto *text = std::get_if<std::string>(&found->second);
    if (!text || text->empty())
        return std::nullopt;
    return *text;
}

} // namespace slatewick

#include "engine/cardclearing.h"

#include "platform/fileops.h"

#include <array>

namespace slatewick {

bool isProtectedCardEntry(std::string_view name)
{
    static constexpr std::array<std::string_view, 4> protectedNames{".DS_Store", ".Spotlight-V100", ".fseventsd",
                                                                     ".Trashes"};
    for (std::string_view kept : protectedNames) {
        if (name == kept)
            return true;
    }
    return false;
}

void clearCard(const std::filesystem::path &root)
{
    for (const std::string &name : fileops::directEntryNames(root)) {
        if (!isProtectedCardEntry(name))
            fileops::removeEntry(root / name);
    }
}

} // namespace slatewick

#include "engine/records/notcleared.h"

#include <array>

namespace slatewick {

namespace {
constexpr std::array<const char *, 9> codes = {"historyMismatch", "cacheInMemory",    "cacheBatchGone",
                                               "takenOut",        "swapped",          "filesLeft",
                                               "lockedOrReadOnly", "clearingFailed", "recorded"};
} // namespace

const char *NotCleared::codeOf(Reason reason)
{
    return codes.at(static_cast<std::size_t>(reason));
}

std::optional<NotCleared::Reason> NotCleared::reasonNamed(const std::string &code)
{
    for (std::size_t index = 0; index < codes.size(); ++index) {
        if (code == codes[index])
            return static_cast<Reason>(index);
    }
    return std::nullopt;
}

} // namespace slatewick

#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace slatewick {

// A batch folder read again against its own checksum file. Paths are relative,
// in listing order for missing and changed files, in name order for extra ones.
struct BatchCheck {
    std::int64_t listed = 0;
    std::vector<std::string> missing;
    std::vector<std::string> extra;
    std::vector<std::string> changed;    // read, but not to the listed hash
    std::vector<std::string> unreadable; // with the system's reason
    // The batch's ASC MHL history, where it has one: why it is not valid, and the
    // files whose newest xxh128 there is missing or not the file's.
    std::string historyProblem;
    std::vector<std::string> unlikeHistory;

    bool clean() const
    {
        return missing.empty() && extra.empty() && changed.empty() && unreadable.empty() && historyProblem.empty()
               && unlikeHistory.empty();
    }
};

} // namespace slatewick

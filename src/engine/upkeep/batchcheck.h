#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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
    // One sentence: "Cache batch: all 12 files match." or what differs, naming a few files.
    std::string sentence(const std::string &which) const;
};

// Hashes every file of the batch and compares it with the checksum file and the
// batch's history. The two records, the history and hidden entries (which no
// drain copies) are not counted as extra.
// An unreadable or malformed checksum file throws, with the reason.
BatchCheck checkBatch(const std::filesystem::path &batchFolder);
// The same against another folder's checksum file (a server batch against its
// cache batch's); fromStorage drops each file's cached pages first, so the
// storage itself is read where the file system allows.
BatchCheck checkBatch(const std::filesystem::path &batchFolder, const std::filesystem::path &checksumFile,
                      bool fromStorage);

// The report of "Check again": the cache batch (none once freed), then the server
// batch where it is there. Never throws: a failure becomes its sentence.
std::string recheckReport(const std::optional<std::filesystem::path> &cacheBatch,
                          const std::optional<std::filesystem::path> &serverBatch);

} // namespace slatewick

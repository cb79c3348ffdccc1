#pragma once

#include "engine/files/filestamp.h"
#include "engine/history/mhlgeneration.h"

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace slatewick {

// A folder's ascmhl entry that is not a history; what() says why ("its chain ...").
class MhlHistoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The ASC MHL history at the root of a folder, read and checked: a chain that
// numbers its generations 1, 2, ... in order, each a generation file beside it
// whose bytes match their C4 id and that reads as a hash list, and nothing else
// in the history folder but hidden entries.
class MhlHistory {
public:
    // One file of the history folder as it was read.
    struct File {
        std::string name;
        std::string bytes; // with Reading::records only
        std::string c4;
        FileStamp stamp;
    };
    // How much is kept: the records and the files' bytes, or only the chain
    // (each generation still checked against its C4 id, read as a stream).
    enum class Reading { records, chainOnly };

    // Nothing when the folder has no entry named ascmhl. Throws MhlHistoryError
    // when that entry is not a history, FileSystemError when it cannot be read.
    static std::optional<MhlHistory> read(int folderFd, const std::filesystem::path &folder,
                                          Reading reading = Reading::records);
    static std::optional<MhlHistory> read(const std::filesystem::path &folder, Reading reading = Reading::records);

    const std::vector<MhlChainLink> &chain() const { return m_chain; }
    // The generation files in chain order.
    const std::vector<File> &generations() const { return m_generations; }
    // The newest record of a file by relative path: its hash values by format
    // (lowercase format names); null when no generation names the file (always
    // with Reading::chainOnly).
    const std::map<std::string, std::string> *newestHashes(const std::string &path) const;
    // Every file read, by its path relative to the folder ("ascmhl/..."), with its stamp.
    std::map<std::string, FileStamp> fileStamps() const;

private:
    std::vector<MhlChainLink> m_chain;
    std::vector<File> m_generations;
    FileStamp m_chainStamp;
    std::map<std::string, std::map<std::string, std::string>> m_newest;
};

} // namespace slatewick

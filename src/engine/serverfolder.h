#pragma once

#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <filesystem>
#include <optional>

namespace slatewick {

// The server folder must be the server: the file system it lay on when it was
// chosen, and after each verified server batch, is recorded beside the settings.
// A share that is not mounted leaves an empty local folder at its mount point,
// and whatever is written there lands on the laptop's own disk.
class ServerFolder {
public:
    enum class Availability { available, missing, elsewhere };

    // stateFolder: where the record lives; empty keeps no record (existence is the test).
    ServerFolder(std::filesystem::path folder, std::filesystem::path stateFolder);

    // A descriptor of the folder when it is there and on its recorded file
    // system (or none is recorded yet); empty otherwise. May block on a stalled
    // share, so the main thread never calls it.
    UniqueFd open() const;
    // Why open() would give nothing, or that it would give the folder.
    Availability availability() const;
    const std::filesystem::path &path() const { return m_folder; }
    // Records the file system the open folder lies on. Throws FileSystemError.
    void record(int folderFd) const;

private:
    std::optional<MountFacts> recorded() const;
    UniqueFd open(Availability &availability) const;

    const std::filesystem::path m_folder;
    const std::filesystem::path m_recordFile;
};

} // namespace slatewick

#pragma once

#include "platform/mountfacts.h"
#include "platform/uniquefd.h"

#include <filesystem>
#include <optional>

namespace slatewick {

// The server folder must be the server: the file system it lay on when it was
// chosen, and after each verified server batch, is recorded beside the settings,
// one record per folder, so a batch waiting for an earlier folder keeps its check.
// A share that is not mounted leaves an empty local folder at its mount point,
// and whatever is written there lands on the laptop's own disk.
class ServerFolder {
public:
    enum class Availability { available, missing, elsewhere };

    // stateFolder: where the records live; empty keeps none (existence is the test).
    // expected: the file system a batch's record names, which then decides.
    ServerFolder(std::filesystem::path folder, std::filesystem::path stateFolder,
                 std::optional<MountFacts> expected = std::nullopt);

    // A descriptor of the folder when it is there and on its recorded file
    // system (or none is recorded yet); empty otherwise. May block on a stalled
    // share, so the main thread never calls it.
    UniqueFd open() const;
    // Why open() would give nothing, or that it would give the folder.
    Availability availability() const;
    const std::filesystem::path &path() const { return m_folder; }
    // Records the file system the open folder lies on. Throws FileSystemError.
    void record(int folderFd) const;
    // The file system the folder must lie on: the expected one, else the folder's record.
    std::optional<MountFacts> recorded() const;

private:
    UniqueFd open(Availability &availability) const;

    const std::filesystem::path m_folder;
    const std::filesystem::path m_stateFolder;
    const std::optional<MountFacts> m_expected;
};

} // namespace slatewick

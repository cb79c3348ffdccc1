#pragma once

#include "engine/history/c4id.h"
#include "platform/uniquefd.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace slatewick {

// One generation as the chain file names it.
struct MhlChainLink {
    int sequence = 0;
    std::string fileName; // bare name inside ascmhl/
    std::string c4;
};

// One file's line in a generation.
struct MhlEntry {
    std::string path; // relative to the batch folder, "/" separated
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::string xxh128; // lowercase hex
    const char *action = "original"; // "original", "verified" or "failed"
};

// Writes the next generation of a batch folder's ASC MHL history: process
// "transfer", this program as its creator, the batch's own records ignored, one
// xxh128 per file. Entries go to storage as they come, so a card of any number
// of files costs no more memory than one. finish() puts the file in place as
// ascmhl/NNNN_<folder name>_<YYYY-MM-DD>_<HHMMSS>Z.mhl (never over one already
// there) and then the chain naming every generation, each atomically.
class MhlGeneration {
public:
    static constexpr const char *folderName = "ascmhl";
    static constexpr const char *chainFileName = "ascmhl_chain.xml";

    // Makes batchFolder/ascmhl durably where missing. earlier: the history's chain so far.
    // Throws FileSystemError.
    MhlGeneration(std::filesystem::path batchFolder, std::vector<MhlChainLink> earlier,
                  std::chrono::system_clock::time_point createdAt = std::chrono::system_clock::now());
    ~MhlGeneration(); // an unfinished generation leaves nothing behind
    MhlGeneration(const MhlGeneration &) = delete;
    MhlGeneration &operator=(const MhlGeneration &) = delete;

    // Leaves out a file whose name XML cannot carry (see canName).
    void add(const MhlEntry &entry);
    // Gives the new generation's link.
    MhlChainLink finish();

    // XML 1.0 carries valid UTF-8 without C0 controls other than tab, line feed
    // and carriage return. No camera writes another name; the checksum file
    // still lists such a file.
    static bool canName(std::string_view path);
    // 2026-12-04T23:39:24Z
    static std::string dateText(std::int64_t secondsSinceEpoch);

private:
    void put(std::string_view text);
    void flush();

    std::filesystem::path m_folder;
    std::vector<MhlChainLink> m_chain;
    std::string m_created;
    std::string m_fileName;
    std::filesystem::path m_temporary;
    UniqueFd m_fd;
    C4Hasher m_c4;
    std::string m_pending;
    bool m_hashesOpen = false;
};

// Makes batchFolder/ascmhl where missing and flushes it into its parent, so the
// history's entry survives a power cut like the files in it.
void makeHistoryFolder(const std::filesystem::path &batchFolder);

} // namespace slatewick

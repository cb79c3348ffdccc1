#pragma once

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
    std::string action; // "original", "verified" or "failed"
};

// One generation of a batch folder's ASC MHL history: process "transfer", this
// program as its creator, the batch's own records ignored, one xxh128 per file.
class MhlGeneration {
public:
    static constexpr const char *folderName = "ascmhl";
    static constexpr const char *chainFileName = "ascmhl_chain.xml";

    explicit MhlGeneration(std::chrono::system_clock::time_point createdAt = std::chrono::system_clock::now());
    // Leaves out a file whose name XML cannot carry (see canName).
    void add(MhlEntry entry);
    // XML 1.0 carries valid UTF-8 without C0 controls other than tab, line feed
    // and carriage return. No camera writes another name; the checksum file
    // still lists such a file.
    static bool canName(std::string_view path);
    std::size_t size() const { return m_entries.size(); }

    // The generation's document.
    std::string document() const;
    // NNNN_<folder name>_<YYYY-MM-DD>_<HHMMSS>Z.mhl, the folder name cut to keep it a valid name.
    std::string fileName(int sequence, const std::string &batchFolderName) const;

    // Writes the generation after the earlier ones into batchFolder/ascmhl (made
    // durably where missing) and then the chain naming them all, each atomically.
    // A generation file is never replaced: one already there throws FileSystemError.
    // Gives the new generation's link.
    MhlChainLink write(const std::filesystem::path &batchFolder, const std::vector<MhlChainLink> &earlier) const;

    // The chain file's document for these links.
    static std::string chainDocument(const std::vector<MhlChainLink> &links);
    // 2026-12-04T23:39:24Z
    static std::string dateText(std::int64_t secondsSinceEpoch);

private:
    std::chrono::system_clock::time_point m_createdAt;
    std::vector<MhlEntry> m_entries;
};

// Makes batchFolder/ascmhl where missing and flushes it into its parent, so the
// history's entry survives a power cut like the files in it.
void makeHistoryFolder(const std::filesystem::path &batchFolder);

} // namespace slatewick

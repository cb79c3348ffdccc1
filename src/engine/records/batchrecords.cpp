#include "engine/records/batchrecords.h"

#include "platform/fileops.h"

namespace slatewick {

namespace {

std::string escapedName(const std::string &path)
{
    std::string text;
    for (char c : path) {
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    return text;
}

} // namespace

std::string checksumFileText(const Inventory &listing, const std::vector<ContentHash> &hashes)
{
    std::string text;
    for (std::size_t index = 0; index < listing.relativePaths.size() && index < hashes.size(); ++index) {
        const std::string &path = listing.relativePaths[index];
        if (path == BatchManifest::fileName || path == checksumFileName)
            continue;
        // Only a newline needs the escaped form; xxh128sum 0.8.1 reads a backslash
        // in a plain line literally but knows no escaped form.
        if (path.find('\n') != std::string::npos)
            text += "\\" + hashes[index].hex() + "  " + escapedName(path) + "\n";
        else
            text += hashes[index].hex() + "  " + path + "\n";
    }
    return text;
}

void writeBatchRecords(const std::vector<std::filesystem::path> &batchFolders, const BatchManifest &manifest,
                       const std::string &checksums)
{
    const std::string manifestText = manifest.encoded();
    for (const auto &folder : batchFolders) {
        fileops::atomicWrite(folder / checksumFileName, checksums);
        fileops::atomicWrite(folder / BatchManifest::fileName, manifestText);
    }
}

} // namespace slatewick

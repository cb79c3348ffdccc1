#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace slatewick::testsupport {

// Writes a file, making its parent folders.
inline void writeFile(const std::filesystem::path &file, const std::string &bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names in a folder, sorted byte for byte; none when it is missing.
inline std::vector<std::string> entryNames(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Regular files under the root, relative to it and sorted, passing over hidden
// entries unless asked; none when it is missing.
inline std::vector<std::string> listedFiles(const std::filesystem::path &root, bool hiddenToo = false)
{
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(root, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (!hiddenToo && it->path().filename().string().front() == '.') {
            it.disable_recursion_pending();
            continue;
        }
        // The program may be clearing the card meanwhile: what goes during the walk is passed over.
        if (it->is_regular_file(error) && !it->is_symlink(error))
            files.push_back(it->path().lexically_relative(root).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace slatewick::testsupport

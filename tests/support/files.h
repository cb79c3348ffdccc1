#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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

} // namespace slatewick::testsupport

#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace slatewick::testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    // base: the folder to make it in, the system's temporary folder by default.
    explicit TempDir(const std::filesystem::path &base = std::filesystem::temp_directory_path())
    {
        std::string pattern = (base / "slatewick-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        m_path = pattern;
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path &relative) const { return m_path / relative; }

private:
    std::filesystem::path m_path;
};

} // namespace slatewick::testsupport

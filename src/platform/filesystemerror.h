#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace slatewick {

// A failed file-system operation. The message is the sentence a user sees:
// "Could not <operation> <path>: <the system's reason>".
class FileSystemError final : public std::runtime_error {
public:
    FileSystemError(const std::string &operation, const std::filesystem::path &path, int errorNumber);

    const std::filesystem::path &path() const { return m_path; }
    int errorNumber() const { return m_errorNumber; }

    // Throws for the current errno.
    [[noreturn]] static void throwLast(const std::string &operation, const std::filesystem::path &path);

private:
    std::filesystem::path m_path;
    int m_errorNumber;
};

} // namespace slatewick

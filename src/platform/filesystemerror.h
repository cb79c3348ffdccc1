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

    // What was tried, as the sentence names it: "read", "create folder", "copy into"…
    const std::string &operation() const { return m_operation; }
    const std::filesystem::path &path() const { return m_path; }
    int errorNumber() const { return m_errorNumber; }

    // Throws for the current errno.
    [[noreturn]] static void throwLast(const std::string &operation, const std::filesystem::path &path);

private:
    std::string m_operation;
    std::filesystem::path m_path;
    int m_errorNumber;
};

} // namespace slatewick

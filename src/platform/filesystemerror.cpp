#include "platform/filesystemerror.h"

#include <cerrno>
#include <cstring>

namespace slatewick {

namespace {
std::string sentence(const std::string &operation, const std::filesystem::path &path, int errorNumber)
{
    return "Could not " + operation + " " + path.string() + ": " + std::strerror(errorNumber);
}
} // namespace

FileSystemError::FileSystemError(const std::string &operation, const std::filesystem::path &path, int errorNumber)
    : std::runtime_error(sentence(operation, path, errorNumber))
    , m_operation(operation)
    , m_path(path)
    , m_errorNumber(errorNumber)
{
}

void FileSystemError::throwLast(const std::string &operation, const std::filesystem::path &path)
{
    throw FileSystemError(operation, path, errno);
}

} // namespace slatewick

#include "support/exfatcard.h"

#include "platform/uniquefd.h"
#include "support/programprocess.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace slatewick::testsupport {

std::string makeExFatImage(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                           const std::filesystem::path &contents)
{
    {
        const UniqueFd file(::open(image.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!file || ::ftruncate(file.get(), bytes) != 0)
            return "Could not make " + image.string() + ": " + std::strerror(errno);
    }
    if (std::string failure = runProgram("mkfs.exfat", {"-L", label, image.string()}); !failure.empty())
        return failure;
    if (contents.empty())
        return {};
    const std::filesystem::path folder = image.string() + ".filling";
    std::error_code error;
    std::filesystem::create_directory(folder, error);
    std::string failure;
    {
        ExFatCardMount card(image, folder);
        failure = card.error();
        if (failure.empty()) {
            // exFAT keeps no owners or modes, so only the data and the tree are copied.
            std::filesystem::copy(contents, folder, std::filesystem::copy_options::recursive, error);
            if (error)
                failure = "Could not copy " + contents.string() + " onto the exFAT image: " + error.message();
        }
    }
    std::filesystem::remove(folder, error);
    return failure;
}

ExFatCardMount::ExFatCardMount(const std::filesystem::path &image, const std::filesystem::path &mountPoint)
    : m_loop(image)
{
    if (!m_loop.attached()) {
        m_error = m_loop.error();
        return;
    }
    // -d keeps the daemon in the foreground, as our own child.
    m_mount = std::make_unique<FuseMount>("mount.exfat-fuse",
                                          std::vector<std::string>{"-d", m_loop.node().string(), mountPoint.string()},
                                          mountPoint);
    m_error = m_mount->error();
}

} // namespace slatewick::testsupport

#include "support/exfatcard.h"

#include <system_error>

namespace slatewick::testsupport {

std::string makeExFatImage(const std::filesystem::path &image, const std::string &label, std::int64_t bytes,
                           const std::filesystem::path &contents)
{
    // A file of holes only, of the given size.
    std::string failure = runProgram("truncate", {"--size=" + std::to_string(bytes), image.string()});
    if (failure.empty())
        failure = runProgram("mkfs.exfat", {"-L", label, image.string()});
    if (!failure.empty() || contents.empty())
        return failure;
    const std::filesystem::path folder = image.string() + ".filling";
    std::error_code error;
    std::filesystem::create_directory(folder, error);
    {
        ExFatCardMount card(image, folder);
        failure = card.error();
        // exFAT keeps no owners or modes, so only the data and the tree are copied.
        if (failure.empty())
            std::filesystem::copy(contents, folder, std::filesystem::copy_options::recursive, error);
        if (failure.empty() && error)
            failure = "Could not copy " + contents.string() + " onto the exFAT image: " + error.message();
    }
    std::filesystem::remove(folder, error);
    return failure;
}

ExFatCardMount::ExFatCardMount(const std::filesystem::path &image, const std::filesystem::path &mountPoint)
    : m_loop(image)
{
    // -d keeps the daemon in the foreground, as our own child.
    m_error = m_loop.attached()
                  ? m_mount.mount("mount.exfat-fuse", {"-d", m_loop.node().string(), mountPoint.string()}, mountPoint)
                  : m_loop.error();
}

} // namespace slatewick::testsupport

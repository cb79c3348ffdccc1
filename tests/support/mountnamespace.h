#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>

namespace slatewick::testsupport {

// Moves the calling thread, once per process, into a private mount namespace
// so that test mounts never reach the host. Empty when done; otherwise the
// kernel's reason. Call it from the main thread before mounting anything.
inline const std::string &enterPrivateMountNamespace()
{
    static const std::string refusal = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("Could not enter a private mount namespace: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("Could not make the mounts private: ") + std::strerror(errno);
        return {};
    }();
    return refusal;
}

// A mount that is undone when the object goes away. Check error() after construction.
class ScopedMount {
public:
    ScopedMount(const std::filesystem::path &source, std::filesystem::path target, const std::string &type,
                unsigned long flags = 0, const std::string &data = {})
        : m_target(std::move(target))
    {
        m_mounted = ::mount(source.c_str(), m_target.c_str(), type.c_str(), flags, data.empty() ? nullptr : data.c_str()) == 0;
        if (!m_mounted)
            m_error = "Could not mount " + source.string() + " on " + m_target.string() + ": " + std::strerror(errno);
    }
    ScopedMount(const ScopedMount &) = delete;
    ScopedMount &operator=(const ScopedMount &) = delete;
    // Lazily, so a test that left a file open cannot keep the mount alive.
    ~ScopedMount()
    {
        if (m_mounted)
            ::umount2(m_target.c_str(), MNT_DETACH);
    }

    bool mounted() const { return m_mounted; }
    const std::string &error() const { return m_error; }
    const std::filesystem::path &target() const { return m_target; }

private:
    std::filesystem::path m_target;
    std::string m_error;
    bool m_mounted = false;
};

} // namespace slatewick::testsupport

#pragma once

#include "platform/uniquefd.h"
#include "support/files.h"
#include "support/mountnamespace.h"
#include "support/programprocess.h"
#include "support/waituntil.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace slatewick::testsupport {

namespace detail {

// Every thread of the process has stopped: a signal stops them one by one, and a
// request already taken by a thread still running would otherwise be answered.
inline bool allThreadsStopped(pid_t pid)
{
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const std::string stat = readFile(task.path() / "stat");
        const std::size_t close = stat.rfind(')');
        if (close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] != 'T')
            return false;
    }
    return !error;
}

} // namespace detail

// Empty where this process may serve FUSE mounts inside its private mount
// namespace (/dev/fuse usable, namespace entered), else why not.
inline std::string fuseRefusal()
{
    if (!UniqueFd(::open("/dev/fuse", O_RDWR | O_CLOEXEC)))
        return std::string("Could not open /dev/fuse: ") + std::strerror(errno);
    return enterPrivateMountNamespace();
}

// The file system type of the topmost mount on exactly this folder, as
// /proc/self/mountinfo shows it; empty when nothing is mounted there.
inline std::string mountTypeAt(const std::filesystem::path &folder)
{
    std::string types;
    runProgram("findmnt", {"--noheadings", "--output", "FSTYPE", "--mountpoint", folder.string()}, &types);
    // Mounts stacked on one folder are listed bottom first.
    types.erase(types.find_last_not_of('\n') + 1);
    return types.substr(types.rfind('\n') + 1);
}

// A FUSE file system served by a daemon this object runs in the foreground and
// owns, so it can be stopped, killed and is never left behind.
class FuseMount {
public:
    // Resumes a stopped daemon, so blocked callers finish, then unmounts.
    ~FuseMount()
    {
        resume();
        unmount();
    }

    // Unmounts what was there, then starts the daemon, whose arguments must keep
    // it in the foreground, and waits for its mount; empty or why not.
    std::string mount(const std::string &program, const std::vector<std::string> &arguments,
                      const std::filesystem::path &mountPoint, const std::filesystem::path &outputLog = "/dev/null")
    {
        unmount();
        if (std::string refusal = fuseRefusal(); !refusal.empty())
            return refusal;
        m_mountPoint = std::filesystem::absolute(mountPoint).lexically_normal();
        m_daemon = std::make_unique<ProgramProcess>(program, arguments, std::map<std::string, std::string>{},
                                                    outputLog);
        waitUntil([this] { return !mountTypeAt(m_mountPoint).empty() || !m_daemon->running(); });
        if ((m_attached = !mountTypeAt(m_mountPoint).empty()))
            return {};
        if (!m_daemon->started())
            return m_daemon->error();
        const std::string why = m_daemon->running() ? " did not mount " + m_mountPoint.string() + " within 20 s: "
                                                    : " ended without mounting: ";
        m_daemon->end(std::chrono::milliseconds(0));
        return program + why + readFile(outputLog);
    }

    // Stops and continues the daemon: calls into the mount block meanwhile.
    void stop()
    {
        if (m_daemon && m_daemon->running()) {
            m_daemon->signal(SIGSTOP);
            m_stopped = true;
            waitUntil([&] { return detail::allThreadsStopped(m_daemon->pid()); }, std::chrono::seconds(5));
        }
    }

    void resume()
    {
        if (m_daemon && std::exchange(m_stopped, false))
            m_daemon->signal(SIGCONT);
    }

    // Kills the daemon and what it started; the mount stays, answering
    // "Transport endpoint is not connected".
    void kill()
    {
        if (m_daemon)
            m_daemon->end(std::chrono::milliseconds(0));
        m_stopped = false;
    }

    // Detaches the mount lazily, lets a running daemon finish writing, then ends it.
    void unmount()
    {
        if (std::exchange(m_attached, false))
            ::umount2(m_mountPoint.c_str(), MNT_DETACH);
        // A stopped daemon cannot finish; one that runs may still be writing the image.
        if (m_daemon)
            m_daemon->end(m_stopped ? std::chrono::milliseconds(0) : std::chrono::seconds(20));
        m_daemon.reset();
        m_stopped = false;
    }

private:
    std::filesystem::path m_mountPoint;
    std::unique_ptr<ProgramProcess> m_daemon;
    bool m_attached = false;
    bool m_stopped = false;
};

} // namespace slatewick::testsupport

#pragma once

#include "support/programprocess.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace slatewick::testsupport {

// Empty where this process may serve FUSE mounts inside its private mount
// namespace (/dev/fuse usable, namespace entered), else why not.
std::string fuseRefusal();

// The file system type of the topmost mount on exactly this folder, as
// /proc/self/mountinfo shows it; empty when nothing is mounted there.
std::string mountTypeAt(const std::filesystem::path &folder);

// A FUSE file system served by a daemon this object runs in the foreground and
// owns, so it can be stopped, killed and is never left behind.
class FuseMount {
public:
    // Resumes a stopped daemon, so blocked callers finish, then unmounts.
    ~FuseMount();

    // Unmounts what was there, then starts the daemon, whose arguments must keep
    // it in the foreground, and waits for its mount; empty or why not.
    std::string mount(const std::string &program, const std::vector<std::string> &arguments,
                      const std::filesystem::path &mountPoint, const std::filesystem::path &outputLog = "/dev/null");
    // Stops and continues the daemon: calls into the mount block meanwhile.
    void stop();
    void resume();
    // Kills the daemon and what it started; the mount stays, answering
    // "Transport endpoint is not connected".
    void kill();
    // Detaches the mount lazily, lets a running daemon finish writing, then ends it.
    void unmount();

private:
    std::filesystem::path m_mountPoint;
    std::unique_ptr<ProgramProcess> m_daemon;
    bool m_attached = false;
    bool m_stopped = false;
};

} // namespace slatewick::testsupport

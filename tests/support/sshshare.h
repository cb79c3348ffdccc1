#pragma once

#include "support/fusemount.h"
#include "support/programprocess.h"

#include <filesystem>
#include <memory>
#include <string>

namespace slatewick::testsupport {

// A real network share for a test: an sshd of its own on 127.0.0.1 with keys made
// in the folder given, serving a folder there that sshfs mounts at mountPoint().
// The sshfs daemon can be stalled, killed or unmounted like a failing server.
// Check error() after construction; nothing it starts outlives it.
class SshShare {
public:
    explicit SshShare(const std::filesystem::path &folder);

    const std::string &error() const { return m_error; }
    // The served folder on the server side, to see what arrived without sshfs.
    const std::filesystem::path &servedFolder() const { return m_served; }
    const std::filesystem::path &mountPoint() const { return m_mountPoint; }

    // Mounts the share again after unmount() or kill(); empty or why not.
    std::string mount();
    // Stops and continues the sshfs daemon: calls into the mount block meanwhile.
    void stall() { m_mount.stop(); }
    void resume() { m_mount.resume(); }
    // Kills the sshfs daemon: the mount stays, answering "Transport endpoint is not connected".
    void kill() { m_mount.kill(); }
    // Not resumed first: a stalled share that is lost fails its waiting callers.
    void unmount() { m_mount.unmount(); }

private:
    std::filesystem::path m_keys;
    std::filesystem::path m_served;
    std::filesystem::path m_mountPoint;
    std::unique_ptr<ProgramProcess> m_sshd;
    // Ends before the server, so the server's connection processes end with their client.
    FuseMount m_mount;
    std::string m_error;
    int m_port = 0;
};

} // namespace slatewick::testsupport

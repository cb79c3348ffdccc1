#pragma once

#include "support/files.h"
#include "support/fusemount.h"
#include "support/programprocess.h"
#include "support/waituntil.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace slatewick::testsupport {

// A real network share for a test: an sshd of its own on 127.0.0.1 with keys made
// in the folder given, serving a folder there that sshfs mounts at mountPoint().
// The sshfs daemon can be stalled, killed or unmounted like a failing server.
// Check error() after construction; nothing it starts outlives it.
class SshShare {
public:
    explicit SshShare(const std::filesystem::path &folder)
        : m_keys(folder / "ssh")
        , m_served(folder / "served")
        , m_mountPoint(folder / "share")
    {
        // Where FUSE is refused, mount() says so.
        std::error_code error;
        for (const std::filesystem::path &made : {m_keys, m_served, m_mountPoint})
            std::filesystem::create_directories(made, error);
        // Debian's sshd refuses to start without its privilege separation folder.
        std::filesystem::create_directories("/run/sshd", error);
        ::chmod("/run/sshd", 0755);
        // One key serves as the host's and as the one the client logs in with.
        if (m_error = runProgram("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", (m_keys / "key").string()});
            !m_error.empty())
            return;
        std::ofstream(m_keys / "sshd_config") << "ListenAddress 127.0.0.1\n"
                                              << "HostKey " << (m_keys / "key").string() << "\n"
                                              << "PidFile " << (m_keys / "sshd.pid").string() << "\n"
                                              << "AuthorizedKeysFile " << (m_keys / "key.pub").string() << "\n"
                                              << "StrictModes no\n"
                                              << "Subsystem sftp internal-sftp\n";
        const std::filesystem::path log = m_keys / "sshd.log";
        // A port picked at random; one that is taken ends sshd, and another is tried.
        std::minstd_rand random(std::random_device{}());
        for (int attempt = 0; attempt < 10 && !m_sshd; ++attempt) {
            m_port = 20000 + static_cast<int>(random() % 10000);
            m_sshd = std::make_unique<ProgramProcess>(
                "/usr/sbin/sshd", std::vector<std::string>{"-D", "-f", (m_keys / "sshd_config").string(), "-p",
                                                           std::to_string(m_port), "-E", log.string()});
            // sshd logs this once it accepts.
            waitUntil([&] {
                return readFile(log).find("Server listening") != std::string::npos || !m_sshd->running();
            });
            if (!m_sshd->running())
                m_sshd.reset();
        }
        m_error = m_sshd ? mount() : "sshd did not start (Debian package openssh-server): " + readFile(log);
    }

    const std::string &error() const { return m_error; }
    // The served folder on the server side, to see what arrived without sshfs.
    const std::filesystem::path &servedFolder() const { return m_served; }
    const std::filesystem::path &mountPoint() const { return m_mountPoint; }

    // Mounts the share again after unmount() or kill(); empty or why not.
    std::string mount()
    {
        const std::string options = "IdentityFile=" + (m_keys / "key").string()
                                  + ",IdentitiesOnly=yes,BatchMode=yes,StrictHostKeyChecking=no"
                                  + ",UserKnownHostsFile=/dev/null,LogLevel=ERROR,port=" + std::to_string(m_port);
        // -f keeps the daemon in the foreground, as our own child we can stop and kill.
        return m_mount.mount("sshfs",
                             {"-f", "-o", options, "root@127.0.0.1:" + m_served.string(), m_mountPoint.string()},
                             m_mountPoint, m_keys / "sshfs.log");
    }

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

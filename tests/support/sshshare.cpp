#include "support/sshshare.h"

#include "platform/uniquefd.h"
#include "support/waituntil.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

namespace slatewick::testsupport {

namespace {

constexpr const char *sshd = "/usr/sbin/sshd";

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port free at the moment; sshd may still lose it to another process, so callers retry.
int freePort()
{
    const UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (!socket || ::bind(socket.get(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::getsockname(socket.get(), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool accepts(int port)
{
    const UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(port);
    return socket && ::connect(socket.get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
}

} // namespace

SshShare::SshShare(const std::filesystem::path &folder)
    : m_keys(folder / "ssh")
    , m_served(folder / "served")
    , m_mountPoint(folder / "share")
{
    if (m_error = fuseRefusal(); !m_error.empty())
        return;
    std::error_code error;
    for (const std::filesystem::path &made : {m_keys, m_served, m_mountPoint})
        std::filesystem::create_directories(made, error);
    // Debian's sshd refuses to start without its privilege separation folder.
    std::filesystem::create_directories("/run/sshd", error);
    ::chmod("/run/sshd", 0755);
    for (const char *key : {"host_key", "user_key"}) {
        m_error = runProgram("ssh-keygen", {"-q", "-t", "ed25519", "-N", "", "-f", (m_keys / key).string()});
        if (!m_error.empty())
            return;
    }
    std::filesystem::copy_file(m_keys / "user_key.pub", m_keys / "authorized_keys", error);
    std::ofstream(m_keys / "sshd_config") << "ListenAddress 127.0.0.1\n"
                                          << "HostKey " << (m_keys / "host_key").string() << "\n"
                                          << "PidFile " << (m_keys / "sshd.pid").string() << "\n"
                                          << "AuthorizedKeysFile " << (m_keys / "authorized_keys").string() << "\n"
                                          << "PermitRootLogin prohibit-password\n"
                                          << "PasswordAuthentication no\n"
                                          << "KbdInteractiveAuthentication no\n"
                                          << "StrictModes no\n"
                                          << "UsePAM no\n"
                                          << "Subsystem sftp internal-sftp\n";
    if (m_error = startServer(); !m_error.empty())
        return;
    m_error = mount();
}

SshShare::~SshShare()
{
    // sshfs first, so the server's connection processes end with their client.
    m_mount.reset();
    m_sshd.reset();
}

std::string SshShare::startServer()
{
    if (!std::filesystem::exists(sshd))
        return std::string(sshd) + " is missing (Debian package openssh-server)";
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = freePort();
        const std::vector<std::string> arguments{"-D", "-f", (m_keys / "sshd_config").string(), "-p",
                                                 std::to_string(m_port), "-E", (m_keys / "sshd.log").string()};
        m_sshd = std::make_unique<ProgramProcess>(sshd, arguments);
        if (!m_sshd->started())
            return m_sshd->error();
        if (!waitUntil([this] { return accepts(m_port) || !m_sshd->running(); }))
            return "sshd did not accept on 127.0.0.1:" + std::to_string(m_port) + " within 20 s";
        if (m_sshd->running())
            return {};
    }
    return "sshd kept ending before it accepted: " + lastLineOf(m_keys / "sshd.log");
}

std::string SshShare::mount()
{
    if (!m_sshd)
        return "The share has no server: " + m_error;
    unmount();
    const std::string options = "IdentityFile=" + (m_keys / "user_key").string()
                          + ",IdentitiesOnly=yes,BatchMode=yes,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null"
                          + ",LogLevel=ERROR,port=" + std::to_string(m_port);
    // -f keeps the daemon in the foreground, as our own child we can stop and kill.
    const std::vector<std::string> arguments{"-f", "-o", options, "root@127.0.0.1:" + m_served.string(),
                                             m_mountPoint.string()};
    m_mount = std::make_unique<FuseMount>("sshfs", arguments, m_mountPoint, m_keys / "sshfs.log");
    return m_mount->error();
}

void SshShare::stall()
{
    if (m_mount)
        m_mount->stop();
}

void SshShare::resume()
{
    if (m_mount)
        m_mount->resume();
}

void SshShare::kill()
{
    if (m_mount)
        m_mount->kill();
}

void SshShare::unmount()
{
    // Not resumed first: a stalled share that is lost fails its waiting callers.
    if (m_mount)
        m_mount->unmount();
    m_mount.reset();
}

} // namespace slatewick::testsupport

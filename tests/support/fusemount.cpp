#include "support/fusemount.h"

#include "support/mountnamespace.h"
#include "support/waituntil.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace slatewick::testsupport {

namespace {

// mountinfo writes spaces, tabs, newlines and backslashes in paths as octal escapes.
std::string unescape(const std::string &text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            plain += static_cast<char>(std::stoi(text.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

} // namespace

std::string lastLineOf(const std::filesystem::path &log)
{
    std::ifstream file(log);
    std::string last;
    for (std::string line; std::getline(file, line);)
        if (!line.empty())
            last = line;
    return last;
}

std::string fuseRefusal()
{
    if (::geteuid() != 0)
        return "Serving FUSE mounts in a private mount namespace needs root";
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0)
        return std::string("Could not open /dev/fuse: ") + std::strerror(errno);
    ::close(fuse);
    return enterPrivateMountNamespace();
}

std::string mountTypeAt(const std::filesystem::path &folder)
{
    const std::string wanted = std::filesystem::absolute(folder).lexically_normal().string();
    std::ifstream mountinfo("/proc/self/mountinfo");
    std::string type;
    for (std::string line; std::getline(mountinfo, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (unescape(point) != wanted)
            continue;
        for (std::string field; fields >> field && field != "-";) {
        }
        fields >> type;
    }
    return type;
}

FuseMount::FuseMount(const std::string &program, const std::vector<std::string> &arguments,
                     const std::filesystem::path &mountPoint, const std::filesystem::path &outputLog)
    : m_mountPoint(std::filesystem::absolute(mountPoint).lexically_normal())
{
    if (m_error = fuseRefusal(); !m_error.empty())
        return;
    m_daemon = std::make_unique<ProgramProcess>(program, arguments, std::map<std::string, std::string>{}, outputLog);
    if (!m_daemon->started()) {
        m_error = m_daemon->error();
        return;
    }
    waitUntil([this] { return !mountTypeAt(m_mountPoint).empty() || !m_daemon->running(); });
    m_attached = !mountTypeAt(m_mountPoint).empty();
    if (m_attached)
        return;
    const std::string said = lastLineOf(outputLog);
    if (const std::optional<int> status = m_daemon->end(std::chrono::milliseconds(0)); status && !WIFSIGNALED(*status))
        m_error = program + " ended with status " + std::to_string(*status) + " without mounting";
    else
        m_error = program + " did not mount " + m_mountPoint.string() + " within 20 s";
    if (!said.empty())
        m_error += ": " + said;
}

FuseMount::~FuseMount()
{
    resume();
    unmount();
}

namespace {

// Every thread of the process has stopped: a signal stops them one by one, and a
// request already taken by a thread still running would otherwise be answered.
bool allThreadsStopped(pid_t pid)
{
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'T')
            return false;
    }
    return !error;
}

} // namespace

void FuseMount::stop()
{
    if (m_daemon && m_daemon->running()) {
        m_daemon->signal(SIGSTOP);
        m_stopped = true;
        waitUntil([&] { return allThreadsStopped(m_daemon->pid()); }, std::chrono::seconds(5));
    }
}

void FuseMount::resume()
{
    if (m_daemon && m_stopped)
        m_daemon->signal(SIGCONT);
    m_stopped = false;
}

void FuseMount::kill()
{
    if (m_daemon)
        m_daemon->end(std::chrono::milliseconds(0));
    m_stopped = false;
}

void FuseMount::unmount()
{
    if (m_attached) {
        ::umount2(m_mountPoint.c_str(), MNT_DETACH);
        m_attached = false;
    }
    // A stopped daemon cannot finish; one that runs may still be writing the image.
    if (m_daemon)
        m_daemon->end(m_stopped ? std::chrono::milliseconds(0) : std::chrono::seconds(20));
    m_daemon.reset();
    m_stopped = false;
}

} // namespace slatewick::testsupport

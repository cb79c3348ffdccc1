#include "e2e/programprocess.h"

#include "support/waituntil.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

extern char **environ;

namespace slatewick::testsupport {

ProgramProcess::ProgramProcess(const std::filesystem::path &program,
                               const std::map<std::string, std::string> &environment,
                               const std::filesystem::path &outputLog)
{
    std::map<std::string, std::string> merged;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        if (equals != std::string::npos)
            merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto &[name, value] : environment)
        merged[name] = value;
    std::vector<std::string> texts;
    for (const auto &[name, value] : merged)
        texts.push_back(name + "=" + value);
    std::vector<char *> envp;
    for (auto &text : texts)
        envp.push_back(text.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    char *argv[] = {path.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputLog.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int failed = ::posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        m_pid = -1;
        m_error = "Could not start " + path + ": " + std::strerror(failed);
    }
}

ProgramProcess::~ProgramProcess()
{
    if (running()) {
        signal(SIGKILL);
        waitForExit(std::chrono::seconds(10));
    }
}

bool ProgramProcess::running()
{
    if (m_pid <= 0 || m_status)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
        return false;
    }
    return true;
}

void ProgramProcess::signal(int number) const
{
    if (m_pid > 0 && !m_status)
        ::kill(m_pid, number);
}

std::optional<int> ProgramProcess::waitForExit(std::chrono::milliseconds limit)
{
    waitUntil([this] { return !running(); }, limit);
    return m_status;
}

long ProgramProcess::residentKiB() const
{
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

} // namespace slatewick::testsupport

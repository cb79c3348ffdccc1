#pragma once

#include "platform/uniquefd.h"
#include "support/files.h"
#include "support/waituntil.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

extern char **environ;

namespace slatewick::testsupport {

namespace detail {

struct ProcessEntry {
    pid_t pid;
    pid_t parent;
    pid_t group;
};

// Every process, read from /proc since the kernel offers no list.
inline std::vector<ProcessEntry> processes()
{
    std::vector<ProcessEntry> entries;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc", error)) {
        ProcessEntry process{std::atoi(entry.path().filename().c_str()), 0, 0};
        std::string text;
        try {
            text = process.pid > 0 ? readFile(entry.path() / "stat") : "";
        } catch (const std::exception &) {
            continue; // it ended while the list was read
        }
        // The command name may hold spaces and parentheses; the fields after it cannot.
        if (std::sscanf(text.c_str() + text.rfind(')') + 1, " %*c %d %d", &process.parent, &process.group) == 2)
            entries.push_back(process);
    }
    return entries;
}

// The program's group and everything descended from it, though it moved to a
// session of its own (as sshd's connections do). The program's own number
// counts only while it is not reaped, since it may be reused after.
inline std::vector<pid_t> descendants(pid_t program, bool reaped)
{
    const std::vector<ProcessEntry> all = processes();
    std::vector<pid_t> found;
    for (const ProcessEntry &entry : all)
        if (entry.group == program || (entry.pid == program && !reaped))
            found.push_back(entry.pid);
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const ProcessEntry &entry : all)
            if (entry.parent == found[i] && std::ranges::find(found, entry.pid) == found.end())
                found.push_back(entry.pid);
    return found;
}

// Programs started here and not yet reaped: their end is for their own object to collect.
inline std::mutex leadersLock;
inline std::set<pid_t> leaders;

inline void forget(pid_t leader)
{
    const std::lock_guard lock(leadersLock);
    leaders.erase(leader);
}

// Reaps our children that are no program's own: orphans that came back to us as the
// subreaper, such as a connection process of a server whose parent went first.
inline void reapOrphans()
{
    const std::lock_guard lock(leadersLock);
    for (const ProcessEntry &entry : processes())
        if (entry.parent == ::getpid() && !leaders.contains(entry.pid))
            ::waitpid(entry.pid, nullptr, WNOHANG);
}

// The texts as the null-ended array of pointers that exec takes.
inline std::vector<char *> pointers(std::vector<std::string> &texts)
{
    std::vector<char *> all;
    for (std::string &text : texts)
        all.push_back(text.data());
    all.push_back(nullptr);
    return all;
}

} // namespace detail

// A program started as a child process in a process group of its own, with the
// environment given added to ours, watched only from outside: whether it runs,
// how it ended. Descendants it leaves behind in its group are ended
// and reaped with it.
class ProgramProcess {
public:
    ProgramProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                   const std::map<std::string, std::string> &environment = {},
                   const std::filesystem::path &outputLog = "/dev/null")
    {
        // Daemons such as sshfs double-fork helpers; orphans come back to us to be
        // reaped, rather than to an init that may never reap them.
        [[maybe_unused]] static const bool subreaper = ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;

        std::vector<std::string> variables;
        for (const auto &[name, value] : environment)
            variables.push_back(name + "=" + value);
        for (char **entry = environ; *entry; ++entry)
            if (const std::string text = *entry; !environment.contains(text.substr(0, text.find('='))))
                variables.push_back(text);
        std::vector<std::string> words{program.string()};
        words.insert(words.end(), arguments.begin(), arguments.end());

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputLog.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // A group of its own: the group attribute is 0 unless set.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        const int failed = ::posix_spawnp(&m_pid, words.front().c_str(), &actions, &attributes,
                                          detail::pointers(words).data(), detail::pointers(variables).data());
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) {
            m_pid = -1;
            m_error = "Could not start " + words.front() + ": " + std::strerror(failed);
            return;
        }
        const std::lock_guard lock(detail::leadersLock);
        detail::leaders.insert(m_pid);
    }
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;
    // Kills the program and its group if they still run.
    ~ProgramProcess()
    {
        end(std::chrono::milliseconds(0));
        detail::forget(m_pid);
    }

    bool started() const { return m_pid > 0; }
    const std::string &error() const { return m_error; }
    pid_t pid() const { return m_pid; }

    bool running()
    {
        int status = 0;
        if (m_pid <= 0 || m_status || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return m_pid > 0 && !m_status;
        m_status = status;
        detail::forget(m_pid);
        return false;
    }

    void signal(int number) const
    {
        if (m_pid > 0 && !m_status)
            ::kill(m_pid, number);
    }

    // The wait status once the program has ended within the limit.
    std::optional<int> waitForExit(std::chrono::milliseconds limit)
    {
        waitUntil([this] { return !running(); }, limit);
        return m_status;
    }

    // Gives the program the grace to exit by itself, then kills its whole group
    // and reaps what of it came back to us; the program's wait status.
    std::optional<int> end(std::chrono::milliseconds grace)
    {
        if (m_pid <= 0)
            return std::nullopt;
        waitForExit(grace);
        // Orphans of the program come back to us as the subreaper, so killing and
        // reaping in rounds leaves neither running processes nor zombies.
        std::vector<pid_t> left = detail::descendants(m_pid, m_status.has_value());
        for (const pid_t pid : left)
            ::kill(pid, SIGKILL);
        waitUntil([&] {
            running();
            detail::reapOrphans();
            std::erase_if(left, [](pid_t pid) { return !std::filesystem::exists("/proc/" + std::to_string(pid)); });
            return left.empty();
        }, std::chrono::seconds(10));
        return m_status;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::string m_error;
};

// Runs a program with arguments and waits for it; empty when it exits with 0,
// else why not, with the end of its output. The whole output goes to output if given.
inline std::string runProgram(const std::string &program, const std::vector<std::string> &arguments,
                              std::string *output = nullptr)
{
    const UniqueFd log(::memfd_create("program-output", MFD_CLOEXEC));
    if (!log)
        return std::string("Could not make room for the output of ") + program + ": " + std::strerror(errno);
    // The child opens this before exec, while it still holds the descriptor.
    const std::string logPath = "/proc/self/fd/" + std::to_string(log.get());
    ProgramProcess process(program, arguments, {}, logPath);
    if (!process.started())
        return process.error();
    const std::optional<int> status = process.waitForExit(std::chrono::minutes(5));
    std::string said = readFile(logPath);
    if (output)
        *output = said;
    if (!status)
        return program + " did not finish within 5 minutes";
    if (WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        return {};
    said.erase(said.find_last_not_of(" \n\t") + 1);
    said.erase(0, said.size() > 600 ? said.size() - 600 : 0);
    return program + " failed with status " + std::to_string(*status) + (said.empty() ? "" : ": " + said);
}

// Empty when xxh128sum --check passes every line of the batch's checksum file, else why not.
inline std::string checksumsVerify(const std::filesystem::path &batch)
{
    return runProgram("sh", {"-c", "cd \"$1\" && xxh128sum --quiet --check Slatewick-checksums.xxh128", "sh",
                             batch.string()});
}

} // namespace slatewick::testsupport

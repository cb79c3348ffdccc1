#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace slatewick::testsupport {

// A program started as a child process in a process group of its own, with the
// environment given added to ours, watched only from outside: whether it runs,
// how it ended. Descendants it leaves behind in its group are ended
// and reaped with it.
class ProgramProcess {
public:
    ProgramProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                   const std::map<std::string, std::string> &environment = {},
                   const std::filesystem::path &outputLog = "/dev/null");
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;
    // Kills the program and its group if they still run.
    ~ProgramProcess();

    bool started() const { return m_pid > 0; }
    const std::string &error() const { return m_error; }
    pid_t pid() const { return m_pid; }
    bool running();
    void signal(int number) const;
    // The wait status once the program has ended within the limit.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);
    // Gives the program the grace to exit by itself, then kills its whole group
    // and reaps what of it came back to us; the program's wait status.
    std::optional<int> end(std::chrono::milliseconds grace);

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::string m_error;
};

// Runs a program with arguments and waits for it; empty when it exits with 0,
// else why not, with the end of its output. The whole output goes to output if given.
std::string runProgram(const std::string &program, const std::vector<std::string> &arguments,
                       std::string *output = nullptr);

// Empty when xxh128sum --check passes every line of the batch's checksum file, else why not.
std::string checksumsVerify(const std::filesystem::path &batch);

} // namespace slatewick::testsupport

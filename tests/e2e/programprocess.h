#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace slatewick::testsupport {

// The real program started as a child process with the environment given,
// watched only from outside: whether it runs, how it ended, its memory.
class ProgramProcess {
public:
    ProgramProcess(const std::filesystem::path &program, const std::map<std::string, std::string> &environment,
                   const std::filesystem::path &outputLog);
    ProgramProcess(const ProgramProcess &) = delete;
    ProgramProcess &operator=(const ProgramProcess &) = delete;
    // Kills the program if it still runs.
    ~ProgramProcess();

    bool started() const { return m_pid > 0; }
    const std::string &error() const { return m_error; }
    bool running();
    void signal(int number) const;
    // The wait status once the program has ended within the limit.
    std::optional<int> waitForExit(std::chrono::milliseconds limit);
    // Resident memory in KiB, 0 once ended.
    long residentKiB() const;

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
    std::string m_error;
};

} // namespace slatewick::testsupport

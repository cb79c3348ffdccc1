#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace slatewick::testsupport {

// What a forked child wrote back, and whether it ended normally.
struct ChildResult {
    bool ok = false;
    std::string output;
};

// Runs body in a forked child, for what must not touch the test process itself:
// another user id, a private mount namespace. The child's return text (or its
// exception's message) comes back through a pipe.
inline ChildResult runInChild(const std::function<std::string()> &body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        throw std::runtime_error("pipe failed");
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string text;
        int code = 0;
        try {
            text = body();
        } catch (const std::exception &error) {
            text = error.what();
            code = 1;
        } catch (...) {
            text = "unknown exception";
            code = 1;
        }
        const char *bytes = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t put = ::write(pipeFds[1], bytes, left);
            if (put <= 0)
                break;
            bytes += put;
            left -= static_cast<std::size_t>(put);
        }
        ::_exit(code);
    }
    ::close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got > 0)
            result.output.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

} // namespace slatewick::testsupport

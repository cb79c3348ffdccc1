#include "e2e/virtualdisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

extern char **environ;

namespace slatewick::testsupport {

VirtualDisplay::VirtualDisplay()
{
    int fds[2];
    if (::pipe(fds) != 0) {
        m_error = std::string("Could not make a pipe: ") + std::strerror(errno);
        return;
    }
    // Xvfb picks a free display and writes its number to the descriptor.
    std::string fd = std::to_string(fds[1]);
    char program[] = "Xvfb";
    char displayfd[] = "-displayfd";
    char nolisten[] = "-nolisten";
    char tcp[] = "tcp";
    char screen[] = "-screen";
    char zero[] = "0";
    char size[] = "1280x1024x24";
    char *argv[] = {program, displayfd, fd.data(), nolisten, tcp, screen, zero, size, nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int failed = ::posix_spawnp(&m_pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        m_pid = -1;
        m_error = std::string("Could not start Xvfb: ") + std::strerror(failed);
        return;
    }
    // Xvfb writes the number and the line end separately, and dies if the pipe
    // is closed in between: read the whole line.
    std::string number;
    pollfd ready{fds[0], POLLIN, 0};
    char byte = 0;
    while (number.find('\n') == std::string::npos && ::poll(&ready, 1, 20000) == 1 && ::read(fds[0], &byte, 1) == 1)
        number += byte;
    if (number.size() > 1 && number.back() == '\n')
        m_name = ":" + number.substr(0, number.size() - 1);
    else
        m_error = "Xvfb did not report a display";
    ::close(fds[0]);
}

VirtualDisplay::~VirtualDisplay()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::vector<std::string> VirtualDisplay::windowTitles() const
{
    std::vector<std::string> titles;
    const std::string command = "xwininfo -display " + m_name + " -root -tree 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE *)> output(::popen(command.c_str(), "r"), ::pclose);
    if (!output)
        return titles;
    char line[4096];
    while (std::fgets(line, sizeof line, output.get())) {
        // Lines read:   0x400005 "Slatewick: Ready": ("slatewick" "slatewick")  540x620+0+0  +0+0
        const char *open = std::strchr(line, '"');
        const char *close = open ? std::strstr(open + 1, "\": ") : nullptr;
        if (open && close)
            titles.emplace_back(open + 1, close);
    }
    return titles;
}

} // namespace slatewick::testsupport

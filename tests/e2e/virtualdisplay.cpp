#include "e2e/virtualdisplay.h"

#include "support/files.h"
#include "support/waituntil.h"

#include <signal.h>
#include <sys/mman.h>

#include <sstream>

namespace slatewick::testsupport {

// Xvfb picks a free display and writes its number, on a line of its own, to the descriptor.
VirtualDisplay::VirtualDisplay()
    : m_output(::memfd_create("xvfb-output", MFD_CLOEXEC))
    , m_server("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"}, {},
               "/proc/self/fd/" + std::to_string(m_output.get()))
{
    const std::string output = "/proc/self/fd/" + std::to_string(m_output.get());
    waitUntil([&] {
        std::istringstream lines(readFile(output));
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                m_name = ":" + line;
        }
        return running() || !m_server.running();
    });
    if (!running())
        m_error = m_server.started() ? "Xvfb did not report a display: " + readFile(output) : m_server.error();
}

VirtualDisplay::~VirtualDisplay()
{
    m_server.signal(SIGTERM);
    m_server.end(std::chrono::seconds(5));
}

std::vector<std::string> VirtualDisplay::windowTitles() const
{
    std::vector<std::string> titles;
    std::string output;
    runProgram("xwininfo", {"-display", m_name, "-root", "-tree"}, &output);
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        // Lines read:   0x400005 "Slatewick: Ready": ("slatewick" "slatewick")  540x620+0+0  +0+0
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string::npos ? open : line.find("\": ", open + 1);
        if (close != std::string::npos)
            titles.push_back(line.substr(open + 1, close - open - 1));
    }
    return titles;
}

} // namespace slatewick::testsupport

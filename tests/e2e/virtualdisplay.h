#pragma once

#include "platform/uniquefd.h"
#include "support/programprocess.h"

#include <string>
#include <vector>

namespace slatewick::testsupport {

// An Xvfb server for the test process, so the program runs with a real X
// display and no tray: it then shows its window, titled with its summary,
// which a test can read from outside.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();

    bool running() const { return !m_name.empty(); }
    const std::string &error() const { return m_error; }
    const std::string &name() const { return m_name; }
    // The titles of every window on the display.
    std::vector<std::string> windowTitles() const;

private:
    UniqueFd m_output;
    ProgramProcess m_server;
    std::string m_name;
    std::string m_error;
};

} // namespace slatewick::testsupport

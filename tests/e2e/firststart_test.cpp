// The first start, as a new user meets it, on a display with a tray.
#include "e2e/endtoendfixture.h"

#include <sstream>

using namespace slatewick::testsupport;
using namespace std::chrono_literals;

namespace {

// A window of that title, larger than a tray icon, is mapped and viewable on the display.
bool windowShown(const std::string &display, const std::string &title)
{
    std::string tree;
    runProgram("xwininfo", {"-display", display, "-root", "-tree"}, &tree);
    std::istringstream lines(tree);
    for (std::string line; std::getline(lines, line);) {
        // Lines read:   0x40000e "Slatewick": ("slatewick" "Slatewick")  540x700+8+30  +8+30
        std::istringstream words(line);
        std::string id;
        words >> id;
        const std::size_t named = line.find(" \"" + title + "\": ");
        const std::size_t size = line.find(")  ", named);
        if (named == std::string::npos || size == std::string::npos || std::stoi(line.substr(size + 3)) < 100)
            continue;
        std::string window;
        if (runProgram("xwininfo", {"-display", display, "-id", id}, &window).empty()
            && window.find("Map State: IsViewable") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

// Setup not finished: the icon alone would tell a new user nothing, so the panel opens under it.
TEST_F(EndToEnd, AFirstStartBesideATrayOpensThePanelByItself)
{
    const std::string display = programEnvironment().at("DISPLAY");
    ProgramProcess tray("trayer", {"--edge", "top", "--align", "right", "--width", "10", "--height", "24"},
                        {{"DISPLAY", display}}, m_dir / "trayer-output.txt");
    // trayer owns the tray selection before it maps its window, which it names "panel".
    ASSERT_TRUE(waitUntil([&] { return windowShown(display, "panel") || !tray.running(); }, 20s))
        << readFile(m_dir / "trayer-output.txt");
    ASSERT_TRUE(tray.running()) << tray.error() << readFile(m_dir / "trayer-output.txt");
    startProgram();
    // Beside a tray the panel is titled "Slatewick"; without one the program's window takes the summary.
    EXPECT_TRUE(waitUntil([&] { return windowShown(display, "Slatewick"); }, 20s)) << summaryTitle();
}

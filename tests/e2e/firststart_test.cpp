// The first start, as a new user meets it, on a display with a tray.
#include "e2e/endtoendfixture.h"

#include <algorithm>

using namespace slatewick::testsupport;
using namespace std::chrono_literals;

// Setup not finished: the icon alone would tell a new user nothing, so the panel opens under it.
TEST_F(EndToEnd, AFirstStartBesideATrayOpensThePanelByItself)
{
    const std::string display = programEnvironment().at("DISPLAY");
    // A window of that title, larger than a tray icon, is mapped and viewable on the display.
    const auto shown = [&](const std::string &title) {
        return std::ranges::any_of(windows(), [&](const Window &window) {
            std::string state;
            return window.title == title && window.width >= 100
                && runProgram("xwininfo", {"-display", display, "-id", window.id}, &state).empty()
                && state.find("Map State: IsViewable") != std::string::npos;
        });
    };
    ProgramProcess tray("trayer", {"--edge", "top", "--align", "right", "--width", "10", "--height", "24"},
                        {{"DISPLAY", display}}, m_dir / "trayer-output.txt");
    // trayer owns the tray selection before it maps its window, which it names "panel".
    ASSERT_TRUE(waitUntil([&] { return shown("panel") || !tray.running(); }, 20s))
        << readFile(m_dir / "trayer-output.txt");
    ASSERT_TRUE(tray.running()) << tray.error() << readFile(m_dir / "trayer-output.txt");
    startProgram();
    // Beside a tray the panel is titled "Slatewick"; without one the program's window takes the summary.
    EXPECT_TRUE(waitUntil([&] { return shown("Slatewick"); }, 20s)) << summaryTitle();
}

#include "ui/panelplacement.h"

#include <algorithm>

namespace slatewick {

namespace {

int clampInto(int value, int low, int high)
{
    // A panel larger than the screen keeps its top-left corner on the screen.
    return high < low ? low : std::clamp(value, low, high);
}

} // namespace

QPoint PanelPlacement::position(QSize panel, QRect anchor, QRect available)
{
    const int left = available.left() + margin;
    const int right = available.right() + 1 - margin - panel.width();
    const int top = available.top() + margin;
    const int bottom = available.bottom() + 1 - margin - panel.height();
    if (!anchor.isValid() || anchor.isEmpty())
        return {clampInto(right, left, right), top};

    const int x = clampInto(anchor.center().x() - panel.width() / 2, left, right);
    // Open away from the edge the tray sits on: below a top bar, above a bottom bar.
    const bool trayAtTop = anchor.center().y() < available.center().y();
    const int y = trayAtTop ? anchor.bottom() + 1 + margin : anchor.top() - margin - panel.height();
    return {x, clampInto(y, top, bottom)};
}

} // namespace slatewick

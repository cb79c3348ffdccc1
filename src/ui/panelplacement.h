#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace slatewick {

// Where the dashboard panel opens: next to the tray icon when the desktop
// tells where that is, else in the top right corner of the screen.
class PanelPlacement {
public:
    static constexpr int margin = 8;

    // anchor: the tray icon's geometry, or an invalid rectangle when unknown.
    // available: the screen's area not taken by panels.
    static QPoint position(QSize panel, QRect anchor, QRect available);
};

} // namespace slatewick

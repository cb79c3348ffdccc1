#pragma once

class QLabel;
class QPushButton;
class QString;

namespace slatewick {

// A named label that shows its text as written, never as rich text, and wraps it:
// card names and paths come from outside and may hold markup or run long.
QLabel *wrappedLabel(const char *name, const QString &text);
QLabel *wrappedLabel(const char *name);

// A named button drawn without a frame, with a pointing hand: the dashboard's links.
QPushButton *flatButton(const QString &text, const char *name);

} // namespace slatewick

#pragma once

class QLabel;
class QPushButton;
class QString;

namespace slatewick {

// A named label that shows its text as written, never as rich text, and wraps it:
// card names and paths come from outside and may hold markup or run long.
QLabel *wrappedLabel(const char *name, const QString &text);
QLabel *wrappedLabel(const char *name);

// A named button for an action on a row or a section, drawn as the platform draws
// buttons so that it reads as something to press.
QPushButton *actionButton(const QString &text, const char *name);

} // namespace slatewick

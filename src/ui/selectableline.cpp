#include "ui/selectableline.h"

#include <QPalette>

namespace slatewick {

SelectableLine::SelectableLine(QWidget *parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setTextMargins(0, 0, 0, 0);
    setContentsMargins(0, 0, 0, 0);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0px; }"));
}

void SelectableLine::setLine(const QString &text)
{
    if (text == this->text())
        return;
    setText(text);
    setCursorPosition(0);
    setToolTip(text);
}

} // namespace slatewick

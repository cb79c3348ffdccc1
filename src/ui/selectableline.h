#pragma once

#include <QLineEdit>

namespace slatewick {

// One line of read-only text the user can select and copy, such as a path.
// Long paths scroll inside the line instead of widening the panel.
class SelectableLine : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectableLine)

public:
    explicit SelectableLine(QWidget *parent = nullptr);

    void setLine(const QString &text);
};

} // namespace slatewick

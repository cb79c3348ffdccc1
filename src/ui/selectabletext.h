#pragma once

#include <QTextEdit>

namespace slatewick {

// Read-only text the user can select and copy, such as a path. It wraps
// anywhere, so a long path without spaces stays whole on screen instead of
// being cut off or widening the panel, and it copies exactly as stored.
class SelectableText : public QTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectableText)

public:
    explicit SelectableText(QWidget *parent = nullptr);

    QString text() const { return toPlainText(); }
    void setText(const QString &text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitHeight();
};

} // namespace slatewick

#pragma once

#include <QLabel>

namespace slatewick {

// A one-line label that shortens its text with an ellipsis in the middle
// rather than widening the panel; the full text stays in text() and the tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ElidedLabel)

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace slatewick

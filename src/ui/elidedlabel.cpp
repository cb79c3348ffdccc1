#include "ui/elidedlabel.h"

#include <QPainter>
#include <QStyle>

namespace slatewick {

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 6, fontMetrics().lineSpacing() + 2};
}

QSize ElidedLabel::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()), fontMetrics().lineSpacing() + 2};
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    style()->drawItemText(&painter, area, int(Qt::AlignLeft | Qt::AlignVCenter), palette(), isEnabled(), shown,
                          foregroundRole());
}

} // namespace slatewick

#include "ui/sectionbox.h"

#include "ui/symbolicons.h"
#include "ui/textstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace slatewick {

SectionBox::SectionBox(const QString &title, const QString &symbol, int spacing, QWidget *parent)
    : QFrame(parent)
    , m_title(new QLabel(title))
    , m_content(new QVBoxLayout)
{
    auto *icon = new QLabel;
    icon->setPixmap(SymbolIcons::pixmap(symbol, 16, devicePixelRatioF()));
    icon->setFixedSize(18, 18);
    icon->setAlignment(Qt::AlignCenter);
    TextStyle::subheadline(m_title);
    m_title->setObjectName(QStringLiteral("sectionTitle"));

    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(6);
    titleRow->addWidget(icon);
    titleRow->addWidget(m_title);
    titleRow->addStretch();

    m_content->setSpacing(spacing);
    m_content->setContentsMargins(4, 4, 4, 4);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(14, 10, 14, 14);
    outer->setSpacing(8);
    outer->addLayout(titleRow);
    outer->addLayout(m_content);
}

QString SectionBox::title() const
{
    return m_title->text();
}

void SectionBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor window = palette().color(QPalette::Window);
    // A shade off the window colour in the direction that stays visible on light and dark themes.
    const QColor fill = window.lightness() > 128 ? window.darker(104) : window.lighter(118);
    const QColor border = window.lightness() > 128 ? window.darker(118) : window.lighter(150);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    painter.fillPath(path, fill);
    painter.setPen(QPen(border, 1));
    painter.drawPath(path);
}

} // namespace slatewick

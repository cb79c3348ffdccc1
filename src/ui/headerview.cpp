#include "ui/headerview.h"

#include "ui/symbolicons.h"
#include "ui/textstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace slatewick {

namespace {

constexpr int badgeSize = 68;
constexpr int badgeSymbolSize = 36;

} // namespace

HeaderView::HeaderView(QWidget *parent)
    : QWidget(parent)
    , m_badge(new QLabel)
    , m_title(new QLabel)
    , m_subtitle(new QLabel)
{
    m_badge->setObjectName(QStringLiteral("headerBadge"));
    m_badge->setFixedSize(badgeSize, badgeSize);
    m_title->setObjectName(QStringLiteral("headerTitle"));
    m_subtitle->setObjectName(QStringLiteral("headerSubtitle"));
    m_subtitle->setWordWrap(true);
    TextStyle::title(m_title);
    TextStyle::secondary(m_subtitle);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addStretch();
    texts->addWidget(m_title);
    texts->addWidget(m_subtitle);
    texts->addStretch();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(15);
    row->addWidget(m_badge, 0, Qt::AlignVCenter);
    row->addLayout(texts, 1);
    redraw();
}

void HeaderView::setClean(bool isClean)
{
    if (isClean == m_isClean)
        return;
    m_isClean = isClean;
    redraw();
}

void HeaderView::redraw()
{
    m_badge->setPixmap(badge(m_isClean, devicePixelRatioF()));
    m_title->setText(m_isClean ? tr("THE TRAP IS CLEAN") : QStringLiteral("Slatewick"));
    m_subtitle->setText(m_isClean ? tr("Green means your card is ready for reuse.")
                                  : tr("Safe, verified card offload in the background."));
}

QPixmap HeaderView::badge(bool isClean, qreal devicePixelRatio)
{
    const int pixels = static_cast<int>(std::lround(badgeSize * devicePixelRatio));
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(devicePixelRatio);

    const QColor base = isClean ? TextStyle::green() : TextStyle::accent();
    // A gentle top-to-bottom gradient of the base colour.
    QLinearGradient gradient(0, 0, 0, badgeSize);
    gradient.setColorAt(0.0, base.lighter(125));
    gradient.setColorAt(1.0, base.darker(108));

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(QRectF(0.5, 0.5, badgeSize - 1.0, badgeSize - 1.0));
    const QString symbol = isClean ? QStringLiteral("checkmark") : QStringLiteral("arrow.down.doc.fill");
    const int offset = (badgeSize - badgeSymbolSize) / 2;
    painter.drawPixmap(offset, offset, SymbolIcons::pixmap(symbol, badgeSymbolSize, devicePixelRatio));
    return pixmap;
}

} // namespace slatewick

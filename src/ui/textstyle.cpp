#include "ui/textstyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QWidget>

namespace slatewick {

namespace {

void scaleFont(QWidget *widget, qreal factor, QFont::Weight weight)
{
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    widget->setFont(font);
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace

void TextStyle::title(QWidget *widget)
{
    scaleFont(widget, 1.55, QFont::Bold);
}

void TextStyle::headline(QWidget *widget)
{
    scaleFont(widget, 1.0, QFont::Bold);
}

void TextStyle::subheadline(QWidget *widget)
{
    scaleFont(widget, 0.95, QFont::DemiBold);
}

void TextStyle::caption(QWidget *widget)
{
    scaleFont(widget, 0.88, QFont::Normal);
}

void TextStyle::smallCaption(QWidget *widget)
{
    scaleFont(widget, 0.8, QFont::Normal);
}

void TextStyle::captionMonospaced(QWidget *widget)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(QApplication::font().pointSizeF() * 0.85);
    widget->setFont(font);
}

void TextStyle::secondary(QWidget *widget)
{
    const QPalette palette = QApplication::palette();
    const QColor text = palette.color(QPalette::WindowText);
    const QColor back = palette.color(QPalette::Window);
    const QColor dimmed = QColor::fromRgbF((text.redF() * 0.58f + back.redF() * 0.42f),
                                           (text.greenF() * 0.58f + back.greenF() * 0.42f),
                                           (text.blueF() * 0.58f + back.blueF() * 0.42f));
    setTextColor(widget, dimmed);
}

void TextStyle::colored(QWidget *widget, const QColor &color)
{
    setTextColor(widget, color);
}

void TextStyle::primary(QWidget *widget)
{
    setTextColor(widget, QApplication::palette().color(QPalette::WindowText));
}

QColor TextStyle::orange()
{
    return QColor(0xE6, 0x77, 0x00);
}

QColor TextStyle::accent()
{
    return QColor(0x2F, 0x6F, 0xDE);
}

QColor TextStyle::green()
{
    return QColor(0x2B, 0x9A, 0x47);
}

QColor TextStyle::red()
{
    return QColor(0xD6, 0x34, 0x2C);
}

QColor TextStyle::grey()
{
    return QColor(0x6B, 0x72, 0x80);
}

} // namespace slatewick

#pragma once

#include <QColor>

class QWidget;

namespace slatewick {

// The named text roles and colours of the dashboard, applied to a widget's
// font and palette so they follow the desktop's own base font and theme.
class TextStyle {
public:
    static void title(QWidget *widget);
    static void headline(QWidget *widget);
    static void subheadline(QWidget *widget);
    static void caption(QWidget *widget);
    static void smallCaption(QWidget *widget);
    static void captionMonospaced(QWidget *widget);
    // Dimmed text: halfway between the theme's text and background, readable on light and dark themes.
    static void secondary(QWidget *widget);
    static void colored(QWidget *widget, const QColor &color);
    static void primary(QWidget *widget);

    static QColor orange();
    static QColor accent();
    static QColor green();
    static QColor red();
    static QColor grey();
};

} // namespace slatewick

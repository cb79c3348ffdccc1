// The dashboard's building blocks that need no model: symbols and panel placement.
#include "ui/panelplacement.h"
#include "ui/symbolicons.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace slatewick;

TEST(SymbolIcons, EverySymbolHasADistinctPaintedIconAndAnUnknownNameNone)
{
    std::set<QByteArray> seen;
    for (const QString &name : SymbolIcons::names()) {
        EXPECT_FALSE(SymbolIcons::icon(name).isNull()) << name.toStdString();
        for (int size : {16, 24}) {
            const QImage image = SymbolIcons::pixmap(name, size).toImage().convertToFormat(QImage::Format_ARGB32);
            const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
            const auto painted = std::count_if(pixels, pixels + image.width() * image.height(),
                                               [](QRgb pixel) { return qAlpha(pixel) > 0; });
            // A blank or barely drawn image means the resource is missing or broken.
            EXPECT_GT(painted, size * size / 8) << name.toStdString() << " at " << size;
            EXPECT_TRUE(seen.emplace(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()).second)
                << name.toStdString() << " looks like another symbol at " << size;
        }
    }
    EXPECT_TRUE(SymbolIcons::icon(QStringLiteral("no.such.symbol")).isNull());
}

TEST(PanelPlacement, PanelOpensBesideTheTrayIconInsideTheScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize panel(540, 620);
    // Top bar, icon near the right edge: below the icon, pushed left to stay on screen.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(1890, 4, 22, 22), screen), QPoint(1372, 34));
    // Bottom bar: above the icon, centred on it.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(1000, 1050, 24, 24), QRect(0, 0, 1920, 1044)), QPoint(741, 416));
    // Unknown icon position: the screen's top right corner.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(), screen), QPoint(1372, 8));
    // A screen smaller than the panel keeps the panel's corner on it.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(), QRect(0, 0, 400, 300)), QPoint(8, 8));
}

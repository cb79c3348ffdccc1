// The symbols the tray and the dashboard paint.
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


#include "ui/symbolicons.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include <set>

using slatewick::SymbolIcons;

namespace {

// Every symbol the tray, the rows, the header and the sections ask for.
const QStringList usedSymbols{
    "exclamationmark.triangle.fill", "arrow.triangle.2.circlepath", "checkmark.circle.fill",
    "tray.and.arrow.down.fill", "slider.horizontal.3", "clock.fill", "internaldrive.fill", "network",
    "trash.fill", "eject.fill", "checkmark", "arrow.down.doc.fill", "wrench.and.screwdriver",
    "checkmark.seal.fill", "waveform.path.ecg", "gearshape", "memorychip", "eye.fill", "tray",
};

int paintedPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

TEST(SymbolIcons, EveryUsedSymbolHasAPaintedIconAtTraySizes)
{
    for (const QString &name : usedSymbols) {
        EXPECT_TRUE(SymbolIcons::names().contains(name)) << name.toStdString();
        EXPECT_FALSE(SymbolIcons::icon(name).isNull()) << name.toStdString();
        for (int size : {16, 22, 24}) {
            const QImage image = SymbolIcons::pixmap(name, size).toImage();
            EXPECT_EQ(image.width(), size);
            // A blank or barely drawn image means the resource is missing or broken.
            EXPECT_GT(paintedPixels(image), size * size / 8) << name.toStdString() << " at " << size;
        }
    }
    EXPECT_EQ(SymbolIcons::names().size(), usedSymbols.size());
}

TEST(SymbolIcons, EverySymbolLooksDifferent)
{
    std::set<QByteArray> seen;
    for (const QString &name : SymbolIcons::names()) {
        const QImage image = SymbolIcons::pixmap(name, 24).toImage().convertToFormat(QImage::Format_ARGB32);
        const QByteArray bytes(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
        EXPECT_TRUE(seen.insert(bytes).second) << name.toStdString() << " looks like another symbol";
    }
}

TEST(SymbolIcons, UnknownNameGivesNoIcon)
{
    EXPECT_TRUE(SymbolIcons::icon(QStringLiteral("no.such.symbol")).isNull());
    EXPECT_EQ(paintedPixels(SymbolIcons::pixmap(QStringLiteral("no.such.symbol"), 16).toImage()), 0);
}

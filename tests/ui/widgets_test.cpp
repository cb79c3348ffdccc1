// The dashboard's building blocks that need no model: activity row, header badge, symbols, panel placement.
#include "ui/activityrow.h"
#include "ui/headerview.h"
#include "ui/panelplacement.h"
#include "ui/symbolicons.h"

#include <QImage>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

using namespace slatewick;

// That the dismiss button calls back is proved by the dashboard test of activity rows.
TEST(ActivityRow, ProgressBarOnlyWhileCopyingAndDismissOnlyWhenOver)
{
    // Phases without a bar get a non-zero progress, so hiding it is their own doing.
    const std::tuple<DrainPhase, double, int, bool> cases[] = {
        {DrainPhase::waiting, 0.5, -1, false}, {DrainPhase::caching, 0.0, 0, false},
        {DrainPhase::copying, 1.0, 1000, false}, {DrainPhase::clearing, 0.5, -1, false},
        {DrainPhase::ready, 0.5, -1, true}, {DrainPhase::failed, 0.5, -1, true}, {DrainPhase::removed, 0.5, -1, true},
    };
    for (const auto &[phase, progress, barValue, offersDismiss] : cases) { // barValue -1: no bar shown
        const CardActivity activity({"/media/ana/CARD01", "CARD01", "", "", "", "", ""}, phase, progress, "detail");
        ActivityRow row(activity, [] {});
        row.show();
        auto *bar = row.findChild<QProgressBar *>("activityProgress");
        EXPECT_EQ(bar->isVisible() ? bar->value() : -1, barValue) << static_cast<int>(phase);
        auto *dismiss = row.findChild<QPushButton *>("activityDismiss");
        EXPECT_EQ(dismiss->isVisible(), offersDismiss) << static_cast<int>(phase);
    }
}

// Its texts follow the clean state in the dashboard's tests.
TEST(HeaderView, TheBadgeTurnsFromAccentToGreenWithAnotherSymbolWhenClean)
{
    const QImage clean = HeaderView::badge(true, 1.0).toImage();
    const QImage busy = HeaderView::badge(false, 1.0).toImage();
    // A pixel of the disc away from the symbol gives the colour family.
    const QColor green = clean.pixelColor(34, 6), accent = busy.pixelColor(34, 6);
    EXPECT_GT(green.green(), std::max(green.blue(), green.red()));
    EXPECT_GT(accent.blue(), std::max(accent.green(), accent.red()));
    // The symbol differs too, not only the disc.
    EXPECT_NE(clean.pixelColor(34, 34).rgb(), busy.pixelColor(34, 34).rgb());
}

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

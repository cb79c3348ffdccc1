#include "dashboardfixture.h"

#include "ui/panelplacement.h"
#include "ui/symbolicons.h"
#include "ui/traypresence.h"

#include <QAction>

using namespace slatewick;
using namespace slatewick::testsupport;

using Tray = DashboardFixture;

TEST_F(Tray, TooltipAndIconFollowTheSummary)
{
    startModel();
    TrayPresence tray(*model);
    EXPECT_EQ(tray.toolTip(), "Slatewick: Setup");
    EXPECT_EQ(tray.symbol(), "slider.horizontal.3");

    model->setSettings(readySettings());
    EXPECT_EQ(tray.toolTip(), "Slatewick: Ready");
    EXPECT_EQ(tray.symbol(), "tray.and.arrow.down.fill");

    InsertedCard card;
    card.url = "/media/ana/CARD01";
    card.displayName = "CARD01";
    model->setActivity(CardActivity(card, DrainPhase::failed, "No transferable files were found on the card."));
    EXPECT_EQ(tray.toolTip(), "Slatewick: Attention");
    EXPECT_EQ(tray.symbol(), "exclamationmark.triangle.fill");
    EXPECT_EQ(tray.icon().cacheKey(), SymbolIcons::icon(QStringLiteral("exclamationmark.triangle.fill")).cacheKey());

    model->clearActivity(model->activities()[0]);
    EXPECT_EQ(tray.toolTip(), "Slatewick: Ready");
}

TEST_F(Tray, MenuOffersOpenAndQuit)
{
    startModel();
    TrayPresence tray(*model);
    QStringList texts;
    for (QAction *action : tray.menu()->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    EXPECT_EQ(texts, QStringList({"Open Slatewick", "Quit Slatewick"}));
    int opened = 0;
    QObject::connect(&tray, &TrayPresence::openRequested, [&] { ++opened; });
    tray.menu()->actions().first()->trigger();
    EXPECT_EQ(opened, 1);
}

TEST_F(Tray, PanelOpensBesideTheTrayIconInsideTheScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize panel(540, 620);
    // Top bar, icon near the right edge: below the icon, pushed left to stay on screen.
    const QPoint top = PanelPlacement::position(panel, QRect(1890, 4, 22, 22), screen);
    EXPECT_EQ(top, QPoint(1920 - 8 - 540, 4 + 22 + 8));
    // Bottom bar: above the icon, centred on it.
    const QPoint bottom = PanelPlacement::position(panel, QRect(1000, 1050, 24, 24), QRect(0, 0, 1920, 1044));
    EXPECT_EQ(bottom, QPoint(QRect(1000, 1050, 24, 24).center().x() - 270, 1044 - 8 - 620));
    // Unknown icon position: the screen's top right corner.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(), screen), QPoint(1920 - 8 - 540, 8));
    // A screen smaller than the panel keeps the panel's corner on it.
    EXPECT_EQ(PanelPlacement::position(panel, QRect(), QRect(0, 0, 400, 300)), QPoint(8, 8));
}

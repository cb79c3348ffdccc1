#include "dashboardfixture.h"

#include "app/slatewickapp.h"
#include "support/files.h"
#include "support/waitfor.h"
#include "ui/dashboardpanel.h"

#include <QSystemTrayIcon>

using namespace slatewick;
using namespace slatewick::testsupport;

using App = DashboardFixture;

namespace {

DrainModel::Collaborators collaboratorsFor(const App &fixture)
{
    DrainModel::Collaborators collaborators;
    collaborators.discovery = std::make_shared<const CardDiscovery>(fixture.volumes);
    collaborators.engine = std::make_shared<DrainEngine>(fixture.dir / "data");
    collaborators.settingsFolder = fixture.dir / "config/Slatewick";
    collaborators.loginItems = fixture.loginItems;
    return collaborators;
}

} // namespace

TEST_F(App, WithoutATrayTheDashboardIsAWindowTitledWithTheSummary)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a tray, so the program runs as a tray icon";
    SlatewickApp app(collaboratorsFor(*this));
    EXPECT_EQ(app.tray(), nullptr);
    EXPECT_TRUE(app.panel().isVisible());
    EXPECT_EQ(app.panel().windowTitle(), "Slatewick: Setup");
    EXPECT_GE(app.panel().width(), DashboardPanel::minimumWidth);
    EXPECT_GE(app.panel().height(), DashboardPanel::minimumHeight);

    app.model().setSettings(readySettings());
    EXPECT_EQ(app.panel().windowTitle(), "Slatewick: Ready");
}

TEST_F(App, QuittingWhileACardDrainsEndsPromptly)
{
    // A card in a watched slot, mounted before start: start-up drains it at once.
    const InsertedCard card = mount("CARD01", "slot-1");
    for (int i = 0; i < 400; ++i)
        writeFile(card.url / "DCIM" / ("IMG_" + std::to_string(1000 + i) + ".JPG"), std::string(64 * 1024, 'x'));
    DrainSettings settings = readySettings();
    settings.gracePeriodSeconds = 0;
    {
        DrainModel::Collaborators collaborators = collaboratorsFor(*this);
        DrainModel(collaborators).setSettings(settings);
    }

    auto app = std::make_unique<SlatewickApp>(collaboratorsFor(*this));
    ASSERT_TRUE(waitFor([&] {
        const auto &rows = app->model().activities();
        return !rows.empty() && rows[0].phase != DrainPhase::waiting;
    }));
    // Destroying the program mid-drain must neither hang nor touch freed widgets.
    app.reset();
    SUCCEED();
}

#include "dashboardfixture.h"

#include "ui/activityrow.h"

#include <QCheckBox>

using namespace slatewick;
using namespace slatewick::testsupport;

using Sections = DashboardFixture;

namespace {

InsertedCard rowCard(const std::string &name)
{
    InsertedCard card;
    card.url = "/media/ana/" + name;
    card.displayName = name;
    return card;
}

} // namespace

TEST_F(Sections, ActivityRowsFollowModelOrderAndDismissClearsOnlyThatRow)
{
    show();
    EXPECT_TRUE(find<QWidget>("noActivity")->isVisible());
    EXPECT_TRUE(showsText("No cards are draining"));
    model->setActivity(CardActivity(rowCard("C"), DrainPhase::failed, "The card was removed before draining could finish."));
    model->setActivity(CardActivity(rowCard("B"), DrainPhase::ready, 1.0, "Verified 3 files in cache and server. Card is ready for reuse."));
    model->setActivity(CardActivity(rowCard("A"), DrainPhase::copying, 0.4, "2 of 5 files"));
    settle();
    EXPECT_FALSE(find<QWidget>("noActivity")->isVisible());

    std::vector<ActivityRow *> rows = shown<ActivityRow>();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->activity().cardName, "A");
    EXPECT_EQ(rows[1]->activity().cardName, "B");
    EXPECT_EQ(rows[2]->activity().cardName, "C");
    EXPECT_EQ(find<QLabel>("headerTitle")->text(), "THE TRAP IS CLEAN");

    rows[1]->findChild<QAbstractButton *>("activityDismiss")->click();
    settle();
    rows = shown<ActivityRow>();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->activity().cardName, "A");
    EXPECT_EQ(rows[1]->activity().cardName, "C");
    ASSERT_EQ(model->activities().size(), 2u);
    EXPECT_EQ(find<QLabel>("headerTitle")->text(), "Slatewick");

    model->clearActivity(model->activities()[0]);
    model->clearActivity(model->activities()[0]);
    settle();
    EXPECT_TRUE(shown<ActivityRow>().empty());
    EXPECT_TRUE(find<QWidget>("noActivity")->isVisible());
}

TEST_F(Sections, WaitStepperStopsAtTwoAndSixty)
{
    show();
    QAbstractButton *less = find<QAbstractButton>("waitDecrement");
    QAbstractButton *more = find<QAbstractButton>("waitIncrement");
    EXPECT_EQ(find<QLabel>("waitTitle")->text(), "Accidental-insertion wait: 8 seconds");

    model->editSettings([](DrainSettings &settings) { settings.gracePeriodSeconds = 3; });
    less->click();
    EXPECT_EQ(model->settings().gracePeriodSeconds, 2);
    less->click();
    EXPECT_EQ(model->settings().gracePeriodSeconds, 2);
    EXPECT_EQ(find<QLabel>("waitTitle")->text(), "Accidental-insertion wait: 2 seconds");

    model->editSettings([](DrainSettings &settings) { settings.gracePeriodSeconds = 59; });
    more->click();
    EXPECT_EQ(model->settings().gracePeriodSeconds, 60);
    EXPECT_EQ(find<QLabel>("waitTitle")->text(), "Accidental-insertion wait: 60 seconds");
    more->click();
    EXPECT_EQ(model->settings().gracePeriodSeconds, 60);

    // A stored value outside the range is shown as stored; one step brings it inside.
    model->editSettings([](DrainSettings &settings) { settings.gracePeriodSeconds = 600; });
    EXPECT_EQ(find<QLabel>("waitTitle")->text(), "Accidental-insertion wait: 600 seconds");
    less->click();
    EXPECT_EQ(model->settings().gracePeriodSeconds, 60);
}

TEST_F(Sections, PolicySwitchesAreStoredAtOnce)
{
    show();
    auto *clear = find<QCheckBox>("clearAfterCopy");
    EXPECT_EQ(clear->text(), "Clear card contents after the local cache is verified");
    EXPECT_FALSE(clear->isChecked());
    clear->click();
    EXPECT_TRUE(model->settings().clearAfterCopy);

    auto *launch = find<QCheckBox>("launchAtLogin");
    EXPECT_TRUE(launch->isChecked());
    launch->click();
    EXPECT_FALSE(model->settings().launchAtLogin);
    EXPECT_FALSE(launch->isChecked());
}

TEST_F(Sections, LaunchAtLoginMessageAppearsAndGoes)
{
    loginItems->failWith = "Could not write /home/ana/.config/autostart/slatewick.desktop: Permission denied";
    show();
    QLabel *message = find<QLabel>("launchAtLoginMessage");
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Launch at login could not be enabled: Could not write "
                               "/home/ana/.config/autostart/slatewick.desktop: Permission denied");

    loginItems->failWith.clear();
    model->editSettings([](DrainSettings &settings) { settings.clearAfterCopy = true; });
    EXPECT_FALSE(message->isVisible());
}

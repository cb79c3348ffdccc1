#include "dashboardfixture.h"

#include "ui/selectabletext.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using namespace slatewick;
using namespace slatewick::testsupport;

using Dashboard = DashboardFixture;

TEST_F(Dashboard, SetupCardGivesWayToConfiguredCardAsTheRemoteFolderComesAndGoes)
{
    show();
    EXPECT_TRUE(find<QWidget>("setupCard")->isVisible());
    EXPECT_FALSE(find<QWidget>("configuredCard")->isVisible());
    EXPECT_TRUE(showsText("Not selected"));
    EXPECT_TRUE(showsText("No removable cards are mounted. Insert a card to teach Slatewick its reader slot."));

    model->setSettings(readySettings());
    EXPECT_FALSE(find<QWidget>("setupCard")->isVisible());
    EXPECT_TRUE(find<QWidget>("configuredCard")->isVisible());
    EXPECT_EQ(find<QLabel>("watchingSlots")->text(), "Watching 1 slot");
    EXPECT_EQ(find<SelectableText>("remoteDestination")->text(),
              QString::fromStdString("Remote destination: " + remote().string()));

    DrainSettings two = readySettings();
    two.watchedSlots.push_back(CardSlot{"slot-2", "CARD02 \u2014 slot-2", "Acme", "Reader", "usb"});
    model->setSettings(two);
    EXPECT_EQ(find<QLabel>("watchingSlots")->text(), "Watching 2 slots");

    // The server goes away without any signal; the next redraw notices.
    std::filesystem::remove_all(remote());
    button("Refresh cards")->click();
    EXPECT_TRUE(find<QWidget>("setupCard")->isVisible());
    EXPECT_FALSE(find<QWidget>("configuredCard")->isVisible());
    // The picker still shows the stored path, in the primary colour.
    EXPECT_EQ(find<QLabel>("remoteFolder")->text(), QString::fromStdString(remote().string()));
}

TEST_F(Dashboard, SlotPickerShowsCardsInListOrderAndForgetRowsForEmptyWatchedSlots)
{
    const InsertedCard second = mount("EOS_DIGITAL", "slot-2");
    const InsertedCard first = mount("CARD01", "slot-1");
    startModel();
    DrainSettings settings;
    settings.watchedSlots = {first.slot(), CardSlot{"slot-9", "OLD \u2014 slot-9", "Acme", "Reader", "usb"}};
    model->setSettings(settings);
    show();

    const std::vector<QCheckBox *> toggles = shown<QCheckBox>("slotToggle");
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_EQ(toggles[0]->text(), "CARD01");
    EXPECT_TRUE(toggles[0]->isChecked());
    EXPECT_EQ(toggles[1]->text(), "EOS_DIGITAL");
    EXPECT_FALSE(toggles[1]->isChecked());
    const std::vector<QLabel *> details = shown<QLabel>("slotDetails");
    ASSERT_EQ(details.size(), 2u);
    EXPECT_EQ(details[0]->text(), QString::fromUtf8("Acme \u00B7 Reader \u00B7 slot-1"));
    EXPECT_FALSE(find<QLabel>("noCardsHint")->isVisible());

    std::vector<QLabel *> forget = shown<QLabel>("forgetLabel");
    ASSERT_EQ(forget.size(), 1u);
    EXPECT_EQ(forget[0]->text(), QString::fromUtf8("OLD \u2014 slot-9"));
    button("Forget")->click();
    settle();
    EXPECT_TRUE(shown<QLabel>("forgetLabel").empty());
    ASSERT_EQ(model->settings().watchedSlots.size(), 1u);

    // The watched card is taken out: its switch becomes a "Forget" row.
    volumes->unmount(first.url);
    model->refreshCards();
    settle();
    ASSERT_EQ(shown<QCheckBox>("slotToggle").size(), 1u);
    forget = shown<QLabel>("forgetLabel");
    ASSERT_EQ(forget.size(), 1u);
    EXPECT_EQ(forget[0]->text(), QString::fromStdString(first.slot().label));
}

TEST_F(Dashboard, EachFlipOfASwitchTogglesTheSlotOnceWhateverTheSwitchReports)
{
    const InsertedCard card = mount("CARD01", "slot-1");
    show();
    int settingsChanges = 0;
    QObject::connect(model.get(), &DrainModel::settingsChanged, [&] { ++settingsChanges; });
    QCheckBox *toggle = shown<QCheckBox>("slotToggle").at(0);

    // The switch claims to be on although the slot is not watched; a click must still add the slot.
    toggle->setChecked(true);
    toggle->click();
    EXPECT_EQ(settingsChanges, 1);
    ASSERT_EQ(model->settings().watchedSlots.size(), 1u);
    EXPECT_EQ(model->settings().watchedSlots[0], card.slot());
    EXPECT_TRUE(toggle->isChecked());

    toggle->click();
    EXPECT_EQ(settingsChanges, 2);
    EXPECT_TRUE(model->settings().watchedSlots.empty());
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(Dashboard, TemplateHintFollowsEachKeystrokeAndARefusedTemplateIsStillStored)
{
    show();
    QLineEdit *field = find<QLineEdit>("namingTemplate");
    EXPECT_EQ(field->text(), "{date}_{card}_{batch}");
    field->clear();
    QTest::keyClicks(field, "{card}_{batch}");
    EXPECT_EQ(model->settings().namingTemplate, "{card}_{batch}");
    EXPECT_EQ(find<QLabel>("templateExample")->text(), "Example: SAMPLE_CARD_A1B2C3D4");
    EXPECT_TRUE(showsText("Use / to create subfolders. Tokens: {date}, {card}, {volume}, {batch}."));
    EXPECT_FALSE(find<QLabel>("templateRefused")->isVisible());

    QTest::keyClicks(field, "/../x");
    EXPECT_EQ(model->settings().namingTemplate, "{card}_{batch}/../x");
    EXPECT_TRUE(find<QLabel>("templateRefused")->isVisible());
    EXPECT_EQ(find<QLabel>("templateRefused")->text(), "Use a relative path; . and .. are not allowed.");
    EXPECT_FALSE(find<QLabel>("templateExample")->isVisible());

    // Typing in the middle keeps the cursor where the user put it.
    field->setCursorPosition(0);
    QTest::keyClicks(field, "a/");
    EXPECT_EQ(field->text(), "a/{card}_{batch}/../x");
    EXPECT_EQ(field->cursorPosition(), 2);
    EXPECT_EQ(model->settings().namingTemplate, "a/{card}_{batch}/../x");
}

TEST_F(Dashboard, FolderChooserStoresTheChosenPathAndCancelChangesNothing)
{
    show();
    std::optional<QString> answer = QString::fromStdString(remote().string());
    view->setFolderChooser([&](QWidget *, const QString &) { return answer; });
    button(QString::fromUtf8("Choose\u2026"))->click();
    EXPECT_EQ(model->settings().remoteDirectory, remote().string());

    answer.reset();
    button(QString::fromUtf8("Choose\u2026"))->click();
    EXPECT_EQ(model->settings().remoteDirectory, remote().string());
}

TEST_F(Dashboard, ShowingThePanelRefreshesTheCardList)
{
    show();
    view->hide();
    // Mounted while no mount event reached the program.
    mount("CARD01", "slot-1");
    EXPECT_TRUE(model->removableCards().empty());
    view->show();
    settle();
    ASSERT_EQ(model->removableCards().size(), 1u);
    EXPECT_EQ(shown<QCheckBox>("slotToggle").size(), 1u);
    EXPECT_TRUE(model->activities().empty());
}

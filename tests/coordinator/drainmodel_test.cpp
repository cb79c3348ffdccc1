#include "coordinator/modelfixture.h"
#include "coordinator/xdgautostart.h"

using namespace slatewick;
using namespace slatewick::testsupport;

using SettingsAndSlots = ModelFixture;

TEST_F(SettingsAndSlots, EveryAssignmentSavesAndSynchronisesEvenWhenEqual)
{
    startModel();
    const int queries = loginItems->statusQueries;
    EXPECT_FALSE(std::filesystem::exists(configFolder() / SettingsStore::key)) << "loading saves nothing";
    model->setSettings(model->settings());
    EXPECT_TRUE(std::filesystem::exists(configFolder() / SettingsStore::key));
    EXPECT_EQ(loginItems->statusQueries, queries + 1);
    model->editSettings([](DrainSettings &settings) { settings.namingTemplate = "{card}"; });
    EXPECT_EQ(SettingsStore(KeyValueStore(configFolder())).load().namingTemplate, "{card}");
    EXPECT_EQ(loginItems->statusQueries, queries + 2);
}

TEST_F(SettingsAndSlots, ToggleAddsThenRemovesTheSlotAndDrainsAWatchedCard)
{
    auto settings = readySettings(8);
    settings.watchedSlots.clear();
    storeSettings(settings);
    startModel();
    const InsertedCard card = insertCard(1, "slot-7");
    model->refreshCards();
    EXPECT_FALSE(model->isWatched(card));

    model->toggleSlot(card);
    ASSERT_EQ(model->settings().watchedSlots.size(), 1u);
    EXPECT_EQ(model->settings().watchedSlots[0], card.slot());
    EXPECT_TRUE(model->isWatched(card));
    ASSERT_EQ(model->activities().size(), 1u) << "switching on a mounted card's slot drains it";
    EXPECT_EQ(model->activities()[0].phase, DrainPhase::waiting);

    model->toggleSlot(card);
    EXPECT_TRUE(model->settings().watchedSlots.empty());
    EXPECT_TRUE(model->hasJob(card.id())) << "switching off leaves a running job alone";
}

TEST_F(SettingsAndSlots, DuplicateFingerprintsForgetTogetherButToggleOffOneAtATime)
{
    auto settings = readySettings(8);
    settings.watchedSlots.push_back(CardSlot{"slot-1", "other label", "", "", ""});
    storeSettings(settings);
    const InsertedCard card = insertCard(1);
    startModel();
    ASSERT_EQ(model->jobCount(), 1u);

    model->toggleSlot(card);
    ASSERT_EQ(model->settings().watchedSlots.size(), 1u);
    EXPECT_EQ(model->settings().watchedSlots[0].label, "other label");
    EXPECT_TRUE(model->isWatched(card));

    model->editSettings([](DrainSettings &s) { s.watchedSlots.push_back(s.watchedSlots[0]); });
    model->removeSlot(CardSlot{"slot-1", "anything", "", "", ""});
    EXPECT_TRUE(model->settings().watchedSlots.empty());
}

TEST_F(SettingsAndSlots, SummaryFollowsTheFirstMatchingRule)
{
    startModel();
    auto title = [&] { return model->menuTitle() + " / " + model->menuSymbol(); };
    EXPECT_EQ(title(), "Slatewick: Setup / slider.horizontal.3");
    model->setSettings(readySettings());
    EXPECT_EQ(title(), "Slatewick: Ready / tray.and.arrow.down.fill");

    const InsertedCard a{dir / "a", "A", "a", "f", "v", "m", "p"};
    const InsertedCard b{dir / "b", "B", "b", "f", "v", "m", "p"};
    model->setActivity(CardActivity(a, DrainPhase::waiting, ""));
    EXPECT_EQ(model->menuTitle(), "Slatewick: Ready");
    model->setActivity(CardActivity(b, DrainPhase::ready, ""));
    EXPECT_EQ(title(), "Slatewick: Clean / checkmark.circle.fill");
    model->setActivity(CardActivity(a, DrainPhase::copying, ""));
    EXPECT_EQ(title(), "Slatewick: Draining / arrow.triangle.2.circlepath");
    model->setActivity(CardActivity(b, DrainPhase::failed, ""));
    EXPECT_EQ(title(), "Slatewick: Attention / exclamationmark.triangle.fill");
    model->setActivity(CardActivity(a, DrainPhase::clearing, ""));
    model->clearActivity(CardActivity(b, DrainPhase::failed, ""));
    EXPECT_EQ(model->menuTitle(), "Slatewick: Draining");

    model->setActivity(CardActivity(a, DrainPhase::removed, ""));
    std::filesystem::remove_all(remote());
    EXPECT_EQ(model->menuTitle(), "Slatewick: Setup") << "read afresh: the remote folder is gone";
}

TEST_F(SettingsAndSlots, LaunchAtLoginFollowsTheSettingAndShowsFailures)
{
    startModel();
    EXPECT_EQ(loginItems->registerCalls, 1) << "first start registers";
    EXPECT_FALSE(model->launchAtLoginMessage());

    model->setSettings(model->settings());
    EXPECT_EQ(loginItems->registerCalls, 1) << "already registered: only the status is read";

    loginItems->registered = false;
    loginItems->failWith = "Permission denied";
    model->setSettings(model->settings());
    EXPECT_EQ(model->launchAtLoginMessage(), "Launch at login could not be enabled: Permission denied");

    model->editSettings([](DrainSettings &s) { s.launchAtLogin = false; });
    EXPECT_EQ(loginItems->unregisterCalls, 0);
    EXPECT_EQ(model->launchAtLoginMessage(), "Launch at login could not be enabled: Permission denied");

    loginItems->failWith.clear();
    model->editSettings([](DrainSettings &s) { s.launchAtLogin = true; });
    EXPECT_FALSE(model->launchAtLoginMessage());
}

TEST(XdgAutostart, EntryNamesTheProgramAndHiddenCountsAsOff)
{
    TempDir dir;
    XdgAutostart autostart(dir / "autostart", "/opt/slate wick/bin/slatewick");
    EXPECT_FALSE(autostart.isEnabled());
    autostart.registerItem();
    EXPECT_TRUE(autostart.isEnabled());
    EXPECT_NE(readFile(autostart.entryPath()).find("Exec=\"/opt/slate wick/bin/slatewick\"\n"), std::string::npos);
    writeFile(autostart.entryPath(), "[Desktop Entry]\nHidden=true\n");
    EXPECT_FALSE(autostart.isEnabled());
    autostart.unregisterItem();
    EXPECT_FALSE(std::filesystem::exists(autostart.entryPath()));

    writeFile(dir / "blocked", "a file where the folder should be");
    XdgAutostart blocked(dir / "blocked", "/usr/bin/slatewick");
    try {
        blocked.registerItem();
        FAIL() << "no error";
    } catch (const std::exception &error) {
        EXPECT_NE(std::string(error.what()).find("Not a directory"), std::string::npos) << error.what();
    }
}

// The dashboard, the tray icon and the program over a real drain model.
#include "app/quitsignals.h"
#include "app/slatewickapp.h"
#include "coordinator/cachespace.h"
#include "coordinator/presenter.h"
#include "coordinator/recentbatches.h"
#include "model/bytesize.h"
#include "model/drainerror.h"
#include "support/fakedesktop.h"
#include "support/files.h"
#include "support/modelworld.h"
#include "support/waitfor.h"
#include "ui/activityrow.h"
#include "ui/dashboardpanel.h"
#include "ui/dashboardview.h"
#include "ui/selectabletext.h"
#include "ui/traypresence.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <tuple>

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {


// A shown dashboard over the model of a ModelWorld; the view goes before the model and desktop it is given.
struct Dashboard : ::testing::Test, ModelWorld {
    FakeDesktop desktop;
    std::unique_ptr<DashboardView> view;

    void show(const std::optional<DrainSettings> &settings = std::nullopt)
    {
        if (!model)
            startModel();
        if (settings)
            model->setSettings(*settings);
        view = std::make_unique<DashboardView>(*model);
        view->resize(540, 620);
        view->show();
    }

    template<typename Widget>
    Widget *find(const QString &name) const { return view->findChild<Widget *>(name); }

    // Visible widgets of a kind, top to bottom as the user sees them.
    template<typename Widget>
    QList<Widget *> shown(const QString &name = {}) const
    {
        QList<Widget *> result = view->findChildren<Widget *>(name);
        result.removeIf([](Widget *widget) { return !widget->isVisible(); });
        std::ranges::sort(result, {}, [this](QWidget *widget) { return widget->mapTo(view.get(), QPoint()).y(); });
        return result;
    }

    // Texts of the visible widgets of a kind, top to bottom.
    template<typename Widget>
    QStringList texts(const QString &name = {}) const
    {
        QStringList result;
        for (Widget *widget : shown<Widget>(name))
            result << widget->text();
        return result;
    }

    bool showsText(const QString &text) const { return texts<QLabel>().contains(text); }

    QAbstractButton *button(const QString &text) const
    {
        const QList<QAbstractButton *> buttons = shown<QAbstractButton>();
        const auto found = std::ranges::find(buttons, text, &QAbstractButton::text);
        return found == buttons.end() ? nullptr : *found;
    }

    // The server folder is looked at off the main thread: the dashboard follows once it answers.
    void expectSetupShown(bool setup) const
    {
        EXPECT_TRUE(waitFor([&] {
            return find<QWidget>("setupCard")->isVisible() == setup
                   && find<QWidget>("configuredCard")->isVisible() == !setup;
        })) << (setup ? "setup card" : "configured card");
    }

    // Rows added to a shown dashboard appear, and replaced rows go, at the next turn of the event loop.
    static void settle() { QCoreApplication::processEvents(); }
};

} // namespace

TEST_F(Dashboard, SetupGivesWayToTheConfiguredCardOnceAFolderIsChosenChangeSlotsFlipsEachSlotAndAGoneFolderIsNamed)
{
    DrainSettings settings = readySettings(); // watches slot-1, where CARD01 goes below
    settings.remoteDirectory.clear();
    settings.watchedSlots = {CardSlot{"slot-9", "OLD \u2014 slot-9", "", "", ""}, settings.watchedSlots[0]};
    show(settings);
    expectSetupShown(true);
    EXPECT_EQ(texts<QLabel>("forgetLabel"), QStringList({"OLD \u2014 slot-9", "CARD01 \u2014 slot-1"}));
    button("Forget")->click(); // its row goes with the other below, once slot-1's card is in

    std::optional<QString> answer = QString::fromStdString(remote().string());
    view->setFolderChooser([&](QWidget *, const QString &) { return answer; });
    button("Choose\u2026")->click();
    expectSetupShown(false);
    answer.reset(); // the user cancels the chooser, which keeps the folder
    button("Change destination\u2026")->click();
    EXPECT_EQ(find<QLabel>("watchingSlots")->text(), "Watching 1 slot");

    // Cards put in while the dashboard is hidden, with no mount event reaching the program.
    view->hide();
    const InsertedCard first = insert("CARD01");
    const InsertedCard second = insert("EOS_DIGITAL", 0, "slot-2");
    view->show(); // asks for the cards, which are read off the main thread
    ASSERT_TRUE(waitFor([&] { return model->removableCards().size() == 2; }));
    button("Change slots\u2026")->click();
    expectSetupShown(true);
    ASSERT_EQ(texts<QCheckBox>("slotToggle"), QStringList({"CARD01", "EOS_DIGITAL"}));
    EXPECT_TRUE(texts<QLabel>("forgetLabel").isEmpty()) << "slot-1's card is in: a switch, not a Forget row";

    const QSignalSpy settingsChanges(model.get(), &DrainModel::settingsChanged);
    const QList<QCheckBox *> toggles = shown<QCheckBox>("slotToggle");
    // The switch claims to be on although the slot is not watched; a click must still add the slot.
    toggles[1]->setChecked(true);
    toggles[1]->click();
    EXPECT_EQ(settingsChanges.count(), 1);
    EXPECT_EQ(model->settings().watchedSlots, std::vector<CardSlot>({first.slot(), second.slot()}));
    toggles[1]->click();
    EXPECT_EQ(settingsChanges.count(), 2);
    EXPECT_EQ(model->settings().watchedSlots, std::vector<CardSlot>({first.slot()}));
    toggles[1]->click();
    button("Done")->click();
    expectSetupShown(false); // with the folder kept
    EXPECT_EQ(find<QLabel>("watchingSlots")->text(), "Watching 2 slots");

    // The server goes away without any signal; the next look notices and says why.
    std::filesystem::remove_all(remote());
    model->recheckServerFolder();
    expectSetupShown(true);
    EXPECT_TRUE(showsText(*Presenter::serverFolderProblem(ServerFolder::Availability::missing)));
}

// A switch that did not show the stored value would store the wrong one when clicked.
TEST_F(Dashboard, SettingsAreStoredAtOnceTheTemplateHintFollowsEachKeystrokeAndTheWaitStaysWithinTwoAndSixty)
{
    loginItems->failWith = "Permission denied";
    show();
    EXPECT_TRUE(showsText(Presenter::launchAtLoginFailed("Permission denied")));
    loginItems->failWith.clear();
    find<QCheckBox>("clearAfterCopy")->click();
    EXPECT_TRUE(model->settings().clearAfterCopy);
    EXPECT_FALSE(find<QLabel>("launchAtLoginMessage")->isVisible());
    find<QCheckBox>("launchAtLogin")->click();
    EXPECT_FALSE(model->settings().launchAtLogin);

    const std::tuple<int, const char *, int> steps[] = {{3, "waitDecrement", 2}, {2, "waitDecrement", 2},
                                                         {59, "waitIncrement", 60}, {60, "waitIncrement", 60},
                                                         {600, "waitDecrement", 60}}; // 600: only an edited file has it
    for (const auto &[stored, stepper, after] : steps) {
        model->editSettings([&](DrainSettings &settings) { settings.gracePeriodSeconds = stored; });
        find<QAbstractButton>(stepper)->click();
        EXPECT_EQ(model->settings().gracePeriodSeconds, after) << stored;
        EXPECT_EQ(find<QLabel>("waitTitle")->text(), QString("Accidental-insertion wait: %1 seconds").arg(after));
    }

    QLineEdit *field = find<QLineEdit>("namingTemplate");
    EXPECT_EQ(field->text(), "{date}_{card}_{batch}");
    field->clear();
    QTest::keyClicks(field, "{card}_{batch}");
    EXPECT_EQ(find<QLabel>("templateExample")->text(), "Example: SAMPLE_CARD_A1B2C3D4");
    QTest::keyClicks(field, "/../x");
    EXPECT_TRUE(showsText("Use a relative path; . and .. are not allowed."));
    // Typing in the middle keeps the cursor where the user put it; the refused template is still stored.
    field->setCursorPosition(0);
    QTest::keyClicks(field, "a/");
    EXPECT_EQ(field->cursorPosition(), 2);
    EXPECT_EQ(model->settings().namingTemplate, "a/{card}_{batch}/../x");
}

// Real drains: C has no files and fails, B is drained, A waits out its grace period.
TEST_F(Dashboard, ActivityRowsShowTheirTextsInModelOrderOfferOnlyAFinishedBatchAndDismissOnlyTheirOwn)
{
    startModel(false, readySettings(0));
    show();
    for (const auto &[name, files] : {std::pair{"C", 0}, {"B", 1}}) {
        const std::size_t before = model->activities().size();
        model->handleMount(insert(name, files));
        EXPECT_TRUE(waitFor([&] { return model->jobCount() == 0 && model->activities().size() == before + 1; }));
    }
    const std::filesystem::path batch = model->activities()[0].batchURL.value_or("");
    model->editSettings([](DrainSettings &settings) { settings.gracePeriodSeconds = 8; });
    model->handleMount(insert("A"));
    settle();
    DrainEngine::Outcome one;
    one.files = 1;
    EXPECT_EQ(texts<QLabel>("activityName"), QStringList({"A", "B", "C"}));
    EXPECT_EQ(texts<SelectableText>("activityDetail"),
              QStringList({Presenter::gracePeriod(8), Presenter::verified(one), DrainError::noFiles().what()}));
    EXPECT_EQ(texts<SelectableText>("activityBatchPath"), QStringList{QString::fromStdString(batch.string())});
    EXPECT_TRUE(shown<QAbstractButton>("activityOpenFolder").empty()); // no desktop to open it with

    view->setDesktop(&desktop);
    settle();
    ASSERT_EQ(shown<QAbstractButton>("activityOpenFolder").size(), 1); // not on the row that has no batch
    button("Open folder")->click();
    EXPECT_EQ(desktop.opened, std::vector<std::filesystem::path>{batch});

    shown<ActivityRow>()[2]->findChild<QAbstractButton *>("activityDismiss")->click();
    settle();
    EXPECT_EQ(texts<QLabel>("activityName"), QStringList({"A", "B"}));
    EXPECT_EQ(find<QLabel>("headerTitle")->text(), "THE TRAP IS CLEAN");

    // B's row is reused for A, which has no batch and offers nothing to open.
    shown<ActivityRow>()[1]->findChild<QAbstractButton *>("activityDismiss")->click();
    settle();
    EXPECT_EQ(texts<QLabel>("activityName"), QStringList({"A"}));
    EXPECT_TRUE(texts<SelectableText>("activityBatchPath").empty());
    EXPECT_TRUE(shown<QAbstractButton>("activityOpenFolder").empty());
}

TEST_F(Dashboard, TheCacheCountsItsIncompleteFoldersAndCheckAgainNamesAChangedServerFile)
{
    insert("CARD01", 3);
    writeFile(dir / "data/Slatewick/Cache/FAILED/DCIM/IMG_9.JPG", std::string(200, 'y'));
    startModel(true, readySettings(0));
    show();
    ASSERT_TRUE(waitFor([&] { return model->jobCount() == 0 && !model->activities().empty(); }));
    ASSERT_EQ(model->activities()[0].phase, DrainPhase::ready) << model->activities()[0].detail;
    const std::filesystem::path cacheBatch = *model->activities()[0].batchURL;

    CacheSpace space(engine);
    view->setCacheSpace(&space);
    // The batch holds its records too.
    const QString held = QString::fromStdString(formattedSize(treeBytes(cacheBatch) + 200));
    ASSERT_TRUE(waitFor([&] { return find<QLabel>("cacheSummary")->text().startsWith("The cache holds " + held); }))
        << find<QLabel>("cacheSummary")->text().toStdString();
    RecentBatches history(engine);
    view->setRecentBatches(&history);
    settle();
    button("Show recent batches")->click();
    ASSERT_TRUE(waitFor([&] { return shown<QLabel>("batchTitle").size() == 1; }));
    const std::filesystem::path serverBatch = history.batches().at(0).manifest.remotePath;
    EXPECT_EQ(shown<SelectableText>("batchPaths")[0]->text(),
              QString::fromStdString("Cache: " + cacheBatch.string() + "\nServer: " + serverBatch.string()));
    writeFile(serverBatch / "DCIM/IMG_1002.JPG", "changed on the server");
    button("Check again")->click();
    const QStringList report{"Cache batch: all 3 files match. Server batch: 1 file changed (DCIM/IMG_1002.JPG)."};
    EXPECT_TRUE(waitFor([&] { return texts<QLabel>("batchReport") == report; }));
    view.reset(); // before the history and the cache space it shows
}

TEST_F(Dashboard, AFailedCardStillInIsTriedAgainAndSwitchingItsSlotOffAndOnDrainsItAgain)
{
    show(readySettings(0));
    const InsertedCard card = insert("CARD01"); // empty: its drain fails
    model->handleMount(card);
    ASSERT_TRUE(waitFor([&] { return model->jobCount() == 0 && !model->activities().empty(); }));
    writeFile(card.url / "DCIM/IMG_0001.JPG", "x");
    settle();
    ASSERT_NE(button("Try again"), nullptr);
    button("Try again")->click();
    ASSERT_TRUE(waitFor([&] { return model->jobCount() == 0 && model->activities()[0].phase == DrainPhase::ready; }))
        << model->activities()[0].detail;
    EXPECT_EQ(button("Try again"), nullptr) << "offered only after a failure";

    model->toggleSlot(card);
    model->toggleSlot(card);
    EXPECT_EQ(model->jobCount(), 1u) << "switched off and on, the card drains again";
    ASSERT_TRUE(waitFor([&] { return model->jobCount() == 0; }));

    const InsertedCard other = insert("CARD02"); // empty too
    model->refreshCards();
    model->handleMount(other);
    ASSERT_TRUE(waitFor([&] { return button("Try again") != nullptr; }));
    volumes->unmount(other.url);
    model->handleUnmount(other.url);
    EXPECT_TRUE(waitFor([&] { return button("Try again") == nullptr; })) << "the card is out";
}

// A screen reader reads a control by its accessible name; Tab must reach every control.
TEST_F(Dashboard, TabReachesEveryControlAndEachHasANameAScreenReaderCanSay)
{
    DrainSettings settings = readySettings();
    settings.remoteDirectory.clear(); // setup: the template field, the steppers and the chooser are shown
    show(settings);
    view->activateWindow();
    ASSERT_TRUE(waitFor([&] { return view->isActiveWindow(); }));
    QList<QWidget *> controls = shown<QWidget>();
    controls.removeIf([](QWidget *widget) { return !(widget->focusPolicy() & Qt::TabFocus) || !widget->isEnabled(); });
    ASSERT_GE(controls.size(), 5);
    QSet<QWidget *> reached;
    controls.front()->setFocus();
    for (int i = 0; i < 2 * controls.size() && reached.size() < controls.size() && QApplication::focusWidget(); ++i) {
        reached.insert(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget *control : controls) {
        EXPECT_TRUE(reached.contains(control)) << control->objectName().toStdString();
        const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        EXPECT_GT(name.size(), 1) << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
}

TEST_F(Dashboard, TheTrayMenuOffersOpenAndQuit)
{
    TrayPresence tray(startModel());
    QStringList items;
    for (QAction *action : tray.menu()->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(items, QStringList({"Open Slatewick", "-", "Quit Slatewick"}));
    const QSignalSpy opened(&tray, &TrayPresence::openRequested);
    tray.menu()->actions().first()->trigger();
    EXPECT_EQ(opened.count(), 1);

}

TEST(QuitSignals, SigtermSigintAndSighupEachEndTheEventLoopCleanly)
{
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        const QuitSignals quitSignals;
        // A signal left unhandled would end the test process; one handled but lost, the guard.
        QTimer guard;
        guard.callOnTimeout([] { QCoreApplication::exit(1); });
        guard.start(10000);
        ::raise(number);
        EXPECT_EQ(QCoreApplication::exec(), 0) << "signal " << number;
    }
}

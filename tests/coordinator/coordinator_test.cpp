#include "coordinator/gracetimer.h"
#include "coordinator/singleinstance.h"
#include "engine/pendingtransfer.h"
#include "coordinator/xdgautostart.h"
#include "model/batchmanifest.h"
#include "model/settingsstore.h"
#include "support/files.h"
#include "support/fusemount.h"
#include "support/modelworld.h"
#include "support/sshshare.h"
#include "support/waitfor.h"

#include <gmock/gmock.h>
#include <nlohmann/json.hpp>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <thread>

using namespace slatewick;
using namespace slatewick::testsupport;
using namespace std::chrono_literals;

namespace {

// The model of a ModelWorld with one card slot at media/CARD01 and its stored settings.
struct ModelFixture : ::testing::Test, ModelWorld {
    std::filesystem::path cardRoot() const { return dir / "media/CARD01"; }

    InsertedCard insertCard(int files = 3, const std::string &location = "slot-1")
    {
        for (int i = 1; i <= files; ++i)
            writeFile(cardRoot() / "DCIM" / ("IMG_" + std::to_string(1000 + i) + ".JPG"), std::string(100 + i, 'x'));
        volumes->mount(cardRoot(), "CARD01", location);
        return *CardDiscovery(volumes).make(cardRoot(), std::nullopt);
    }

    void storeSettings(const DrainSettings &settings) const
    {
        SettingsStore(KeyValueStore(configFolder())).save(settings);
    }

    // A card of this many files in the watched slot when the model starts, so its drain begins at once.
    InsertedCard startWithCard(int files, std::int64_t grace = 0, bool clear = false)
    {
        const InsertedCard card = insertCard(files);
        storeSettings(readySettings(grace, clear));
        startModel();
        return card;
    }

    // A finished row of another card; rows that are new go above it.
    void addOtherRow(const std::string &name)
    {
        const InsertedCard other{dir / "media" / name, name, "", "", "", "", ""};
        model->setActivity(CardActivity(other, DrainPhase::failed, "earlier"));
    }

    const CardActivity *row(const std::string &id) const
    {
        const auto &rows = model->activities();
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const CardActivity &a) { return a.id == id; });
        return found == rows.end() ? nullptr : &*found;
    }

    bool waitForPhase(const std::string &id, DrainPhase phase)
    {
        return waitFor([&] {
            const CardActivity *current = row(id);
            return current && current->phase == phase && !model->hasJob(id);
        });
    }
};

using JobLifecycle = ModelFixture;
using SettingsAndSlots = ModelFixture;

} // namespace

TEST_F(JobLifecycle, WatchedCardMountedAtStartWaitsAndRemovalDuringTheWaitEndsItAtOnce)
{
    // 8 from the settings page; the others only from a settings file edited by hand.
    for (const std::int64_t grace : {std::int64_t{8}, std::int64_t{4'000'000'000'000}, std::int64_t{-5}}) {
        model.reset();
        const InsertedCard card = startWithCard(3, grace);
        ASSERT_EQ(model->activities().size(), 1u);
        if (grace < 0) {
            EXPECT_TRUE(waitFor([&] { return row(card.id())->phase == DrainPhase::ready; }, 5s)) << "starts at once";
            continue;
        }
        EXPECT_EQ(model->activities()[0].phase, DrainPhase::waiting);
        EXPECT_EQ(model->activities()[0].detail,
                  "Waiting " + std::to_string(grace) + " seconds in case this was accidental");
        EXPECT_EQ(model->activities()[0].cardName, "CARD01");
        EXPECT_TRUE(model->hasJob(card.id()));

        // A second mount while the job runs changes nothing.
        const auto before = model->activities();
        model->handleMount(card);
        EXPECT_EQ(model->activities(), before);
        EXPECT_EQ(model->jobCount(), 1u);

        volumes->unmount(card.url);
        model->handleUnmount(card.url);
        ASSERT_EQ(model->activities().size(), 1u);
        EXPECT_EQ(model->activities()[0].phase, DrainPhase::removed);
        EXPECT_EQ(model->activities()[0].progress, 0.0);
        EXPECT_EQ(model->activities()[0].detail, "Card removed before the drain completed.");
        EXPECT_EQ(model->jobCount(), 0u);
    }
}

TEST_F(JobLifecycle, FollowingTheSetupCardsOrderDrainsTheCardAlreadyInItsSlot)
{
    // Insert the card, select its slot, then choose the server folder.
    startModel();
    const InsertedCard card = insertCard();
    model->handleMount(card);
    model->toggleSlot(card);
    EXPECT_TRUE(model->activities().empty());
    ASSERT_EQ(model->removableCards().size(), 1u);
    model->editSettings([&](DrainSettings &settings) {
        settings.remoteDirectory = remote().string();
        settings.gracePeriodSeconds = 0;
    });
    EXPECT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
}

TEST_F(JobLifecycle, SuccessfulDrainReportsTheCountAndTheBatch)
{
    const InsertedCard card = startWithCard(12);
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    const CardActivity *current = row(card.id());
    EXPECT_EQ(current->detail, "Verified 12 files in cache and server. Card is ready for reuse.");
    EXPECT_EQ(current->progress, 1.0);
    ASSERT_TRUE(current->batchURL);
    EXPECT_EQ(current->batchURL->parent_path(), dir / "data/Slatewick/Cache");
    EXPECT_TRUE(std::filesystem::exists(*current->batchURL / BatchManifest::fileName));

    // Taking the card out afterwards leaves the final row alone.
    const CardActivity finalRow = *current;
    model->handleUnmount(card.url);
    EXPECT_EQ(*row(card.id()), finalRow);
}

TEST_F(JobLifecycle, RemovalWhileCachingCancelsAndReinsertionBeforeTheEndIsIgnored)
{
    const InsertedCard card = startWithCard(5);
    bool removed = false;
    QObject::connect(model.get(), &DrainModel::activitiesChanged, [&] {
        const CardActivity *current = row(card.id());
        if (!removed && current && current->phase == DrainPhase::caching && current->detail == "1 of 5 files") {
            removed = true;
            model->handleUnmount(card.url);
            model->handleMount(card); // the cancelled job still owns the card
            EXPECT_EQ(model->jobCount(), 1u);
        }
    });
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::removed));
    EXPECT_EQ(row(card.id())->detail, "Card removed before the drain completed.");
    EXPECT_EQ(model->jobCount(), 0u);
    EXPECT_EQ(model->activities().size(), 1u);
}

TEST_F(JobLifecycle, RemovalAfterTheCacheIsVerifiedStillEndsReadyOnTheServer)
{
    const InsertedCard card = startWithCard(4, 0, true);
    QObject::connect(model.get(), &DrainModel::activitiesChanged, [&] {
        const CardActivity *current = row(card.id());
        if (current && current->phase == DrainPhase::clearing)
            model->handleUnmount(card.url);
    });
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    int manifests = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(remote()))
        manifests += entry.path().filename() == BatchManifest::fileName;
    EXPECT_EQ(manifests, 1);
}

TEST_F(JobLifecycle, DismissedRunningRowComesBackOnTopAndARepeatDrainKeepsItsPlace)
{
    const InsertedCard card = startWithCard(3);
    addOtherRow("EARLIER");
    bool dismissed = false;
    bool cameBackOnTop = false;
    QObject::connect(model.get(), &DrainModel::activitiesChanged, [&] {
        const CardActivity *current = row(card.id());
        if (!dismissed && current && current->detail == "1 of 3 files") {
            dismissed = true;
            model->clearActivity(*current);
        } else if (dismissed && current && !cameBackOnTop) {
            cameBackOnTop = model->activities().front().id == card.id();
        }
    });
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    EXPECT_TRUE(dismissed);
    EXPECT_TRUE(cameBackOnTop);

    addOtherRow("LATER");
    model->handleMount(card);
    EXPECT_EQ(model->jobCount(), 0u) << "a second event for the same mount starts nothing";
    model->handleUnmount(card.url);
    model->handleMount(card);
    ASSERT_EQ(model->activities().size(), 3u);
    EXPECT_EQ(model->activities()[1].id, card.id());
    EXPECT_EQ(model->activities()[1].phase, DrainPhase::waiting);
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    EXPECT_EQ(model->activities()[1].id, card.id());
}

TEST_F(JobLifecycle, CardGoneWhenTheWaitEndsFailsWithTheRemovedSentence)
{
    const InsertedCard card = insertCard(1);
    storeSettings(readySettings(0));
    std::filesystem::remove_all(cardRoot()); // still in the mount table, gone from the disk
    startModel();
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::failed));
    EXPECT_EQ(row(card.id())->detail, "The card was removed before draining could finish.");
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
    EXPECT_TRUE(waitFor([&] { return title() == "Slatewick: Ready / tray.and.arrow.down.fill"; })) << title();

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
    model->recheckServerFolder();
    EXPECT_TRUE(waitFor([&] { return model->menuTitle() == "Slatewick: Setup"; })) << "the remote folder is gone";
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

TEST(XdgAutostart, EntryNamesTheProgramAndAnotherPathOrADesktopsSwitchCountsAsOff)
{
    TempDir dir;
    XdgAutostart autostart(dir / "autostart", "/opt/slate wick/bin/slatewick");
    EXPECT_FALSE(autostart.isEnabled());
    autostart.registerItem();
    EXPECT_TRUE(autostart.isEnabled());
    const std::string entry = readFile(autostart.entryPath());
    EXPECT_THAT(entry, ::testing::HasSubstr("Exec=\"/opt/slate wick/bin/slatewick\"\n"));
    for (const char *off : {"Hidden=true", "Hidden = true", "X-GNOME-Autostart-enabled=false"}) {
        writeFile(autostart.entryPath(), entry + off + "\n");
        EXPECT_FALSE(autostart.isEnabled()) << off;
    }
    // An entry left by an old build folder must not stand for this program.
    writeFile(autostart.entryPath(),
              "[Desktop Entry]\nType=Application\nExec=\"/home/ana/slatewick/build/src/app/slatewick\"\n");
    EXPECT_FALSE(autostart.isEnabled());
    autostart.unregisterItem();
    EXPECT_FALSE(std::filesystem::exists(autostart.entryPath()));

    writeFile(dir / "blocked", "a file where the folder should be");
    XdgAutostart blocked(dir / "blocked", "/usr/bin/slatewick");
    EXPECT_THAT([&] { blocked.registerItem(); },
                ::testing::ThrowsMessage<std::exception>(::testing::HasSubstr("Not a directory")));
}

TEST(GraceTimer, FiresOnceAfterItsWaitAndNeverAfterAStop)
{
    GraceTimer zero, stopped, sentinel;
    int zeroFired = 0, stoppedFired = 0, sentinelFired = 0;
    QObject::connect(&zero, &GraceTimer::timeout, [&] { ++zeroFired; });
    QObject::connect(&stopped, &GraceTimer::timeout, [&] { ++stoppedFired; });
    QObject::connect(&sentinel, &GraceTimer::timeout, [&] { ++sentinelFired; });

    zero.start(0s);
    EXPECT_EQ(zeroFired, 0) << "a zero wait still ends in a later turn of the loop";
    stopped.start(1s);
    stopped.stop();
    EXPECT_FALSE(stopped.isActive());
    // Started after the stopped one with the same wait, so it fires no earlier.
    sentinel.start(1s);
    ASSERT_TRUE(waitFor([&] { return sentinelFired == 1; }, 10s));
    EXPECT_EQ(zeroFired, 1);
    EXPECT_EQ(stoppedFired, 0);
    EXPECT_EQ(sentinelFired, 1);
    EXPECT_FALSE(sentinel.isActive());
}

TEST_F(JobLifecycle, AStalledShareNeverHoldsUpTheMainThreadAndTheCardDrainsOnceItAnswers)
{
    if (const std::string refusal = fuseRefusal(); !refusal.empty())
        GTEST_SKIP() << refusal;
    SshShare share(dir / "nas");
    ASSERT_EQ(share.error(), "");
    DrainSettings settings = readySettings(0);
    settings.remoteDirectory = share.mountPoint().string();
    storeSettings(settings);
    startModel();
    ASSERT_TRUE(model->isReady());

    share.stall();
    const InsertedCard card = insertCard(3);
    model->handleMount(card);
    QElapsedTimer sinceLastTick;
    QElapsedTimer stalled;
    qint64 longestGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceLastTick.restart());
        // What the mount monitor and the dashboard do meanwhile.
        model->recheckServerFolder();
        model->refreshCards();
        (void)model->menuTitle();
    });
    sinceLastTick.start();
    stalled.start();
    tick.start(10);
    waitFor([&] { return stalled.elapsed() >= 5000; }, 10s);
    tick.stop();
    EXPECT_LT(longestGap, 100) << "ms without a turn of the main loop";

    share.resume();
    EXPECT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
}

TEST(SingleInstance, ASecondCopyAsksTheFirstToShowItselfAndALeftoverLockBlocksNothing)
{
    TempDir dir;
    // What a killed copy leaves: a lock file nobody holds and a dead socket.
    writeFile(dir / "slatewick.lock", "");
    writeFile(dir / "slatewick.socket", "");
    SingleInstance first(dir.path());
    ASSERT_TRUE(first.claim());
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });

    SingleInstance second(dir.path());
    EXPECT_FALSE(second.claim());
    std::thread asking([&] { EXPECT_TRUE(second.askRunningCopyToShow(5s)); });
    EXPECT_TRUE(waitFor([&] { return shown == 1; }));
    asking.join();
}

TEST_F(JobLifecycle, PendingBatchesArriveInTheOrderTheyWereCachedAndThoseThatCannotBeSentSaySo)
{
    // Three batches left waiting by an earlier run whose server was not there.
    const std::filesystem::path nas = dir / "nas";
    DrainEngine earlier(dir / "data", DrainEngine::Options{stateFolder(), true, {}});
    DrainSettings settings = readySettings(0);
    settings.remoteDirectory = nas.string();
    settings.namingTemplate = "{card}";
    for (const char *name : {"FIRST", "SECOND", "GONE"}) {
        InsertedCard card;
        card.url = dir / "cards" / name;
        card.displayName = name;
        writeFile(card.url / "DCIM/a.jpg", name);
        EXPECT_THROW(earlier.drain(card, settings, [](DrainPhase, double, const std::string &) {}, {}),
                     ServerCopyPending);
    }
    std::filesystem::remove_all(dir / "data/Slatewick/Cache/GONE");
    writeFile(stateFolder() / "pending/unreadable.json", "{");
    std::filesystem::create_directories(nas);
    storeSettings(settings);

    startModel(true);
    std::vector<std::string> arrived;
    QObject::connect(model.get(), &DrainModel::activitiesChanged, [&] {
        for (const CardActivity &row : model->activities()) {
            if (row.phase == DrainPhase::ready && std::find(arrived.begin(), arrived.end(), row.cardName) == arrived.end())
                arrived.push_back(row.cardName);
        }
    });
    const auto rowIn = [&](RowState state) {
        const auto &rows = model->activities();
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const CardActivity &a) { return a.state == state; });
        return found == rows.end() ? nullptr : &*found;
    };
    ASSERT_TRUE(waitFor([&] { return arrived.size() == 2 && rowIn(RowState::pendingGone) && rowIn(RowState::pendingBroken); }));
    EXPECT_EQ(arrived, (std::vector<std::string>{"FIRST", "SECOND"}));
    EXPECT_EQ(readFile(nas / "SECOND/DCIM/a.jpg"), "SECOND");
    EXPECT_EQ(model->menuTitle(), "Slatewick: Attention");

    // Dismissing the row of the batch that is gone drops its record; the unreadable one is kept.
    model->clearActivity(*rowIn(RowState::pendingGone));
    const auto left = PendingStore(stateFolder()).load();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].file.filename(), "unreadable.json");
}

TEST_F(SettingsAndSlots, AServerFolderOnAnotherFileSystemThanRecordedIsNamedAndNotReady)
{
    storeSettings(readySettings());
    writeFile(stateFolder() / "server-folder.json",
              nlohmann::json{{"version", 1}, {"folder", remote().string()}, {"source", "nas:/photos"}, {"type", "nfs4"}}
                  .dump());
    startModel(true);
    EXPECT_FALSE(model->isReady());
    EXPECT_EQ(model->serverFolderProblem(),
              "This folder is not on the file system it was on when it was chosen. Mount its share, or choose the "
              "folder again if the share itself changed.");
}

TEST_F(JobLifecycle, APendingBatchForAFolderChosenBeforeOffersTheNewOneAndGoesThereWhenAsked)
{
    DrainEngine earlier(dir / "data", DrainEngine::Options{stateFolder(), true, {}});
    DrainSettings settings = readySettings(0);
    settings.remoteDirectory = (dir / "old-nas").string();
    settings.namingTemplate = "{card}";
    InsertedCard card;
    card.url = dir / "cards/CARD01";
    card.displayName = "CARD01";
    writeFile(card.url / "DCIM/a.jpg", "a");
    EXPECT_THROW(earlier.drain(card, settings, [](DrainPhase, double, const std::string &) {}, {}), ServerCopyPending);
    storeSettings(readySettings(0)); // the server folder chosen since
    startModel(true);
    const auto waiting = [&]() -> const CardActivity * {
        for (const CardActivity &row : model->activities())
            if (row.state == RowState::pendingOtherFolder)
                return &row;
        return nullptr;
    };
    ASSERT_TRUE(waitFor([&] { return waiting() != nullptr; }));
    EXPECT_NE(waiting()->detail.find("Another server folder has been chosen since."), std::string::npos);
    model->sendPendingToCurrentFolder(waiting()->id);
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(remote() / "CARD01/Slatewick-manifest.json"); }));
}

#include "coordinator/activitynotifier.h"
#include "coordinator/backgroundtask.h"
#include "coordinator/gracetimer.h"
#include "coordinator/presenter.h"
#include "coordinator/traysummary.h"
#include "desktop/xdgautostart.h"
#include "model/drainerror.h"
#include "support/fakedesktop.h"
#include "support/files.h"
#include "support/fusemount.h"
#include "support/modelworld.h"
#include "support/sshshare.h"
#include "support/waitfor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <future>

using namespace slatewick;
using namespace slatewick::testsupport;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Field;

namespace {

QString words(const Notice &notice) { return notice.title + " | " + notice.body; }

// The model of a ModelWorld with one card slot at media/CARD01 and its stored settings.
struct DrainModelTest : ::testing::Test, ModelWorld {
    FakeDesktop desktop;

    std::vector<DrainNotice> notices; // what the model tells, in order

    // A card of this many files in the watched slot when the model starts, so its drain begins at once.
    InsertedCard startWithCard(int files, std::int64_t grace = 0, bool clear = false)
    {
        const InsertedCard card = insert("CARD01", files);
        startModel(true, readySettings(grace, clear));
        QObject::connect(model.get(), &DrainModel::notice, [this](const DrainNotice &told) { notices.push_back(told); });
        return card;
    }

    template <typename Value>
    const CardActivity *rowWith(Value CardActivity::*field, const Value &value) const
    {
        const auto found = std::ranges::find(model->activities(), value, field);
        return found == model->activities().end() ? nullptr : &*found;
    }

    const CardActivity *row(const std::string &cardId) const { return rowWith(&CardActivity::cardId, cardId); }

    bool waitForPhase(const std::string &id, DrainPhase phase)
    {
        return waitFor([&] {
            const CardActivity *current = row(id);
            return current && current->phase == phase && !model->hasJob(id);
        });
    }

    // Does this once, when the card's row is first seen caching with some progress made.
    void whileCaching(const InsertedCard &card, std::function<void()> action)
    {
        QObject::connect(model.get(), &DrainModel::activitiesChanged, [=, this, done = false]() mutable {
            const CardActivity *current = row(card.id());
            if (!done && current && current->phase == DrainPhase::caching && current->progress > 0.0) {
                done = true;
                action();
            }
        });
    }
};

} // namespace

TEST_F(DrainModelTest, WatchedCardMountedAtStartWaitsAndRemovalDuringTheWaitEndsIt)
{
    // 8 from the settings page; the other only from a settings file edited by hand.
    for (const std::int64_t grace : {std::int64_t{8}, std::int64_t{4'000'000'000'000}}) {
        model.reset();
        const InsertedCard card = startWithCard(3, grace);
        ASSERT_EQ(model->activities().size(), 1u);
        EXPECT_EQ(model->activities()[0].state, RowState::gracePeriod);
        EXPECT_EQ(model->activities()[0].detail, Presenter::utf8(Presenter::gracePeriod(grace)));
        volumes->unmount(card.url);
        model->handleUnmount(card.url);
        ASSERT_EQ(model->activities().size(), 1u);
        EXPECT_EQ(model->activities()[0].phase, DrainPhase::removed);
        EXPECT_EQ(model->activities()[0].state, RowState::plain);
        EXPECT_EQ(model->activities()[0].detail, Presenter::utf8(Presenter::removedMidDrain()));
        EXPECT_TRUE(notices.empty()) << "taken out while waiting: nothing was read";
        EXPECT_EQ(model->jobCount(), 0u);
    }
}

TEST_F(DrainModelTest, RemovalWhileCachingCancelsAndReinsertionBeforeTheEndIsIgnored)
{
    const InsertedCard card = startWithCard(5);
    whileCaching(card, [&] {
        model->handleUnmount(card.url);
        model->handleMount(card); // the cancelled job still owns the card
        EXPECT_EQ(model->jobCount(), 1u);
    });
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::removed));
    EXPECT_EQ(row(card.id())->state, RowState::takenOutEarly);
    EXPECT_EQ(row(card.id())->detail, Presenter::utf8(Presenter::takenOutBeforeCopied("CARD01")));
    EXPECT_EQ(model->activities().size(), 1u);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].why, DrainNotice::Why::takenOutEarly);
    EXPECT_EQ(notices[0].detail, row(card.id())->detail);
}

TEST_F(DrainModelTest, DismissedRunningRowComesBackAndARepeatDrainKeepsItsRow)
{
    const InsertedCard card = startWithCard(3);
    bool dismissed = false;
    whileCaching(card, [&] {
        model->clearActivity(*row(card.id()));
        dismissed = true;
    });
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    EXPECT_TRUE(dismissed);
    const RowId first = row(card.id())->id;

    model->handleMount(card);
    EXPECT_EQ(model->jobCount(), 0u) << "a second event for the same mount starts nothing";
    model->handleUnmount(card.url);
    model->handleMount(card);
    ASSERT_EQ(model->activities().size(), 1u);
    EXPECT_EQ(model->activities()[0].phase, DrainPhase::waiting);
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    EXPECT_EQ(model->activities()[0].id, first) << "two rows never stand for one card's drains in turn";
}

// The setup card's order: insert the card, switch on its slot, then choose the server folder.
TEST_F(DrainModelTest, ASlotSwitchedOnBeforeTheFolderIsChosenDrainsOnceItIsAndSlotsOfOneFingerprintGoOneByOne)
{
    startModel();
    const InsertedCard card = insert("CARD01", 1, "slot-7");
    model->refreshCards();
    model->toggleSlot(card);
    EXPECT_TRUE(model->activities().empty()) << "no server folder yet";

    model->editSettings([&](DrainSettings &settings) { settings.remoteDirectory = remote().string(); });
    ASSERT_TRUE(waitFor([&] { return model->hasJob(card.id()); }));

    // Slots of one fingerprint: switching off drops one at a time, forgetting drops them all.
    const CardSlot other{card.fingerprint, "other label", "", "", ""};
    model->editSettings([&](DrainSettings &s) { s.watchedSlots.push_back(other); });
    model->toggleSlot(card);
    EXPECT_EQ(model->settings().watchedSlots, std::vector<CardSlot>{other});
    EXPECT_TRUE(model->isWatched(card));
    EXPECT_TRUE(model->hasJob(card.id())) << "switching off leaves a running job alone";
    model->editSettings([&](DrainSettings &s) { s.watchedSlots.push_back(other); });
    model->removeSlot(CardSlot{card.fingerprint, "anything", "", "", ""});
    EXPECT_TRUE(model->settings().watchedSlots.empty());
}

// The server folder goes while the card is read: the batch waits in the card's own
// row, is told once however often it is tried, and is sent from that row.
TEST_F(DrainModelTest, ABatchLeftWaitingByItsDrainStaysInItsCardsRowAndNeedsAttentionOnce)
{
    const InsertedCard card = startWithCard(3);
    ActivityNotifier notifier(*model, desktop);
    const std::filesystem::path parked = dir / "parked";
    whileCaching(card, [&] { std::filesystem::rename(remote(), parked); });
    ASSERT_TRUE(waitFor([&] {
        const CardActivity *current = row(card.id());
        return current && current->state == RowState::pendingServerCopy && !model->hasJob(card.id());
    }));
    const RowId waitingIn = row(card.id())->id;
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices[0].why, DrainNotice::Why::waitingForServer);
    EXPECT_EQ(notices[0].cause, PendingCause::Kind::serverMissing);
    const std::size_t told = notices.size();
    model->tryPendingNow();
    ASSERT_TRUE(waitFor([&] { return notices.size() > told; })) << "each try shows the row again";
    EXPECT_EQ(desktop.notes, QStringList{words(Presenter::needsAttention("CARD01", notices[0].detail))});

    std::filesystem::rename(parked, remote());
    model->tryPendingNow();
    ASSERT_TRUE(waitFor([&] { return row(card.id())->phase == DrainPhase::ready; }));
    EXPECT_EQ(model->activities().size(), 1u);
    EXPECT_EQ(row(card.id())->id, waitingIn);
    EXPECT_EQ(notices.back().kind, DrainNotice::Kind::onServer);
}

TEST(TraySummary, FollowsTheFirstMatchingRuleAndACardTakenOutEarlyNeedsAttention)
{
    using Rows = std::initializer_list<std::pair<DrainPhase, RowState>>;
    const auto summary = [](Rows made, bool settingsReady = true) {
        std::vector<CardActivity> rows;
        for (const auto &[phase, state] : made) {
            rows.emplace_back(InsertedCard{}, phase, "");
            rows.back().state = state;
        }
        return summarize(rows, settingsReady);
    };
    using enum DrainPhase;
    const RowState plain = RowState::plain;
    EXPECT_EQ(summary({}, false), TraySummary::setup);
    EXPECT_EQ(summary({}), TraySummary::ready);
    EXPECT_EQ(summary({{waiting, RowState::gracePeriod}, {removed, plain}}), TraySummary::ready);
    EXPECT_EQ(summary({{ready, plain}}, false), TraySummary::clean);
    EXPECT_EQ(summary({{ready, plain}, {copying, plain}}), TraySummary::draining);
    EXPECT_EQ(summary({{caching, plain}, {failed, plain}}), TraySummary::attention);
    EXPECT_EQ(summary({{ready, plain}, {waiting, RowState::pendingServerCopy}}), TraySummary::attention);
    EXPECT_EQ(summary({{ready, plain}, {removed, RowState::takenOutEarly}}), TraySummary::attention);
    EXPECT_EQ(summary({{ready, RowState::copiedNotCleared}, {removed, RowState::skipped}}), TraySummary::clean);
}

// Each batch needs attention once per reason, however often its row is shown again, and after a restart.
TEST_F(DrainModelTest, TheNotifierTellsEachNoticeInWordsAndEachBatchsReasonOnce)
{
    startModel();
    auto notifier = std::make_unique<ActivityNotifier>(*model, desktop, dir / "state/told-notices");
    using enum DrainNotice::Kind;
    using Why = DrainNotice::Why;
    const auto notice = [](DrainNotice::Kind kind, Why why = Why::failed, std::string batch = {},
                           std::optional<PendingCause::Kind> cause = std::nullopt) {
        return DrainNotice{kind, RowId{1}, "B", "the detail", why, std::move(batch), cause};
    };
    for (const DrainNotice &told :
         {notice(mayBeTakenOut), notice(onServer), notice(needsAttention), notice(needsAttention),
          notice(needsAttention, Why::waitingForServer, "7", PendingCause::Kind::serverMissing),
          notice(needsAttention, Why::waitingForServer, "7", PendingCause::Kind::serverMissing),
          notice(needsAttention, Why::waitingForServer, "7", PendingCause::Kind::noRoom),
          notice(needsAttention, Why::notSent, "7"), notice(needsAttention, Why::notSent, "7")})
        notifier->tell(told);

    const QString attention = words(Presenter::needsAttention("B", "the detail"));
    EXPECT_EQ(desktop.notes, QStringList({words(Presenter::mayBeTakenOut("B")), words(Presenter::onServer("B", "the detail")),
                                          attention, attention, attention, attention, attention}));
    notifier = std::make_unique<ActivityNotifier>(*model, desktop, dir / "state/told-notices"); // a restart
    notifier->tell(notice(needsAttention, Why::waitingForServer, "7", PendingCause::Kind::noRoom));
    EXPECT_EQ(desktop.notes.size(), 7);
}

TEST(XdgAutostart, EntryNamesTheProgramAndAnotherPathOrADesktopsSwitchCountsAsOff)
{
    TempDir dir;
    XdgAutostart autostart(dir / "autostart", "/opt/slate wick/bin/slatewick");
    autostart.registerItem();
    EXPECT_TRUE(autostart.isEnabled());
    const std::string entry = readFile(autostart.entryPath());
    EXPECT_THAT(entry, ::testing::HasSubstr("\nExec=\"/opt/slate wick/bin/slatewick\"\n"));
    EXPECT_THAT(entry, ::testing::HasSubstr("\nTryExec=/opt/slate wick/bin/slatewick\n"));
    // A desktop's switch turns it off; an entry left by an old build folder does not stand for this program.
    const std::string oldBuild = "[Desktop Entry]\nType=Application\nExec=\"/home/ana/slatewick/build/slatewick\"\n";
    for (const std::string &off :
         {entry + "Hidden=true\n", entry + "Hidden = true\n", entry + "X-GNOME-Autostart-enabled=false\n", oldBuild}) {
        writeFile(autostart.entryPath(), off);
        EXPECT_FALSE(autostart.isEnabled()) << off;
    }
    autostart.unregisterItem();
    EXPECT_FALSE(std::filesystem::exists(autostart.entryPath()));

    writeFile(dir / "blocked", "a file where the folder should be");
    XdgAutostart blocked(dir / "blocked", "/usr/bin/slatewick");
    EXPECT_THAT([&] { blocked.registerItem(); },
                ::testing::ThrowsMessage<std::exception>(::testing::HasSubstr("Not a directory")));
}

// A job's removal stops and drops its timer: the lifecycle tests prove that.
TEST(GraceTimer, CountsOnTheClockThatRunsThroughSuspendAndAZeroWaitFiresInALaterTurnOfTheLoop)
{
    GraceTimer zero, grace;
    int zeroFired = 0;
    QObject::connect(&zero, &GraceTimer::timeout, [&] { ++zeroFired; });
    zero.start(0s);
    EXPECT_EQ(zeroFired, 0);
    grace.start(1s);
    // What the kernel says of this process's armed timer descriptor: the grace wait's.
    std::string armed;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) != "anon_inode:[timerfd]")
            continue;
        const std::string info = readFile(std::filesystem::path("/proc/self/fdinfo") / entry.path().filename());
        if (info.find("it_value: (0, 0)") == std::string::npos)
            armed = info;
    }
    ASSERT_NE(armed, "") << "no timer descriptor counts the grace wait";
    EXPECT_THAT(armed, ::testing::HasSubstr("clockid: 7\n")) << "not CLOCK_BOOTTIME";
    ASSERT_TRUE(waitFor([&] { return !grace.isActive(); }, 10s));
    EXPECT_EQ(zeroFired, 1);
}

TEST_F(DrainModelTest, AStalledShareNeverHoldsUpTheMainThreadAndTheCardDrainsOnceItAnswers)
{
    if (const std::string refusal = fuseRefusal(); !refusal.empty())
        GTEST_SKIP() << refusal;
    SshShare share(dir / "nas");
    ASSERT_EQ(share.error(), "");
    DrainSettings settings = readySettings(0);
    settings.remoteDirectory = share.mountPoint().string();
    ASSERT_TRUE(startModel(false, settings).isReady());

    share.stall();
    const InsertedCard card = insert("CARD01", 3);
    model->handleMount(card);
    QElapsedTimer sinceLastTick;
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
    tick.start(10);
    waitFor([] { return false; }, 5s); // five seconds of the main loop while the share stays stalled
    tick.stop();
    EXPECT_LT(longestGap, 100) << "ms without a turn of the main loop";
    EXPECT_NE(row(card.id())->phase, DrainPhase::ready) << "the share never stalled, so this proves nothing";

    share.resume();
    EXPECT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
}

namespace {

// Runs of work held at a gate the test opens, so asks arrive while a run is under way.
struct Gate {
    std::promise<void> opener;
    std::shared_future<void> opened = opener.get_future().share();
    std::atomic<int> running = 0;
    std::atomic<bool> overlapped = false;

    static std::function<int()> work(std::shared_ptr<Gate> gate, int value)
    {
        return [gate, value] {
            if (++gate->running > 1)
                gate->overlapped = true;
            gate->opened.wait();
            --gate->running;
            return value;
        };
    }
};

} // namespace

TEST(BackgroundTask, RunsOnceMoreForTheLastAskAnswersOnTheMainThreadAndOnceGoneDeliversNothingNorWaits)
{
    std::vector<int> answers;
    bool onMainThread = true;
    auto task = std::make_unique<BackgroundTask<int>>([&](int answer) {
        answers.push_back(answer);
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    const auto gate = std::make_shared<Gate>();
    for (int ask = 1; ask <= 3; ++ask)
        ASSERT_TRUE(task->request(Gate::work(gate, ask)));
    gate->opener.set_value();
    ASSERT_TRUE(waitFor([&] { return answers.size() == 2 && !task->running(); }));
    EXPECT_EQ(answers, (std::vector{1, 3})) << "the second ask was overtaken by the third";
    EXPECT_FALSE(gate->overlapped);
    EXPECT_TRUE(onMainThread);

    // Gone while its run is held: the destructor returns at once, and the late answer goes nowhere.
    const auto stalled = std::make_shared<Gate>();
    task->request(Gate::work(stalled, 4));
    task.reset();
    stalled->opener.set_value();
    ASSERT_TRUE(waitUntil([&] { return stalled.use_count() == 1; })) << "the run ends on its own";
    bool reached = false;
    QTimer::singleShot(0, [&] { reached = true; });
    ASSERT_TRUE(waitFor([&] { return reached; }));
    EXPECT_EQ(answers, (std::vector{1, 3}));
}

// OTHER's batch was meant for a server folder chosen before the current one.
TEST_F(DrainModelTest, PendingBatchesArriveInCacheOrderThoseThatCannotBeSentSaySoAndOneForAnEarlierFolderWaitsToBeAsked)
{
    // Batches left waiting by an earlier run whose server was not there.
    const std::filesystem::path nas = dir / "nas";
    DrainSettings settings = readySettings(0);
    settings.namingTemplate = "{card}";
    settings.remoteDirectory = (dir / "old-nas").string();
    leavePendingBatch("OTHER", settings);
    settings.remoteDirectory = nas.string();
    for (const char *name : {"FIRST", "SECOND", "GONE"})
        leavePendingBatch(name, settings);
    std::filesystem::remove_all(dir / "data/Slatewick/Cache/GONE");
    writeFile(stateFolder() / "batches/unreadable.json", "{");
    // FIRST's send was under way in a program that was killed: the start takes it back and sends it.
    const DrainEngine earlier(dir / "data", DrainEngine::Options{stateFolder()});
    const std::vector<BatchRecord> records = earlier.ledger().all();
    const auto first = std::ranges::find(records, "FIRST", [](const BatchRecord &record) { return record.facts.sourceVolume; });
    earlier.ledger().change(first->id, inState(BatchState::cached), [](BatchRecord &now) {
        now.state = BatchState::sending;
        now.owner = SendOwner{"another boot", 1, 1};
    });
    std::filesystem::create_directories(nas);

    startModel(true, settings);
    std::vector<std::string> arrived;
    QObject::connect(model.get(), &DrainModel::activitiesChanged, [&] {
        for (const CardActivity &row : model->activities())
            if (row.phase == DrainPhase::ready && std::ranges::find(arrived, row.cardName) == arrived.end())
                arrived.push_back(row.cardName);
    });
    const auto rowIn = [&](RowState state) { return rowWith(&CardActivity::state, state); };
    ASSERT_TRUE(waitFor([&] {
        return arrived.size() == 2 && rowIn(RowState::pendingGone) && rowIn(RowState::pendingBroken)
               && rowIn(RowState::pendingOtherFolder);
    }));
    model->sendPendingToCurrentFolder(rowIn(RowState::pendingOtherFolder)->id);
    ASSERT_TRUE(waitFor([&] { return arrived.size() == 3; }));
    EXPECT_EQ(arrived, (std::vector<std::string>{"FIRST", "SECOND", "OTHER"}));
    EXPECT_EQ(readFile(nas / "OTHER/DCIM/a.jpg"), "OTHER");

    // Dismissed, the row of the batch that is gone stays gone, also at the next start; every record is kept.
    model->clearActivity(*rowIn(RowState::pendingGone));
    ASSERT_TRUE(waitFor([&] { return std::ranges::any_of(engine->ledger().all(), &BatchRecord::dismissed); }));
    EXPECT_EQ(engine->ledger().all().size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(stateFolder() / "batches/unreadable.json"));
    model.reset();
    startModel(true);
    ASSERT_TRUE(waitFor([&] { return rowIn(RowState::pendingBroken) != nullptr; }));
    EXPECT_EQ(rowIn(RowState::pendingGone), nullptr);
}


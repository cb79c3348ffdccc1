#include "coordinator/modelfixture.h"
#include "model/batchmanifest.h"

using namespace slatewick;
using namespace slatewick::testsupport;

using JobLifecycle = ModelFixture;

TEST_F(JobLifecycle, WatchedCardMountedAtStartGetsAWaitingRowAndAJob)
{
    const InsertedCard card = insertCard();
    storeSettings(readySettings(8));
    startModel();
    ASSERT_EQ(model->activities().size(), 1u);
    EXPECT_EQ(model->activities()[0].phase, DrainPhase::waiting);
    EXPECT_EQ(model->activities()[0].detail, "Waiting 8 seconds in case this was accidental");
    EXPECT_EQ(model->activities()[0].cardName, "CARD01");
    EXPECT_TRUE(model->hasJob(card.id()));

    // A second mount while the job runs changes nothing.
    const auto before = model->activities();
    model->handleMount(card);
    EXPECT_EQ(model->activities(), before);
    EXPECT_EQ(model->jobCount(), 1u);
}

TEST_F(JobLifecycle, MountWithSettingsNotReadyOnlyRefreshesTheCardList)
{
    auto settings = readySettings();
    settings.remoteDirectory.clear();
    storeSettings(settings);
    startModel();
    const InsertedCard card = insertCard();
    model->handleMount(card);
    EXPECT_TRUE(model->activities().empty());
    EXPECT_EQ(model->jobCount(), 0u);
    ASSERT_EQ(model->removableCards().size(), 1u);
    EXPECT_EQ(model->removableCards()[0].id(), card.id());
}

TEST_F(JobLifecycle, RemovalDuringTheWaitEndsRemovedAtOnce)
{
    const InsertedCard card = insertCard();
    storeSettings(readySettings(8));
    startModel();
    volumes->unmount(card.url);
    model->handleUnmount(card.url);
    const CardActivity *current = row(card.id());
    ASSERT_TRUE(current);
    EXPECT_EQ(current->phase, DrainPhase::removed);
    EXPECT_EQ(current->progress, 0.0);
    EXPECT_EQ(current->detail, "Card removed before the drain completed.");
    EXPECT_EQ(model->jobCount(), 0u);
}

TEST_F(JobLifecycle, SuccessfulDrainReportsTheCountAndTheBatch)
{
    const InsertedCard card = insertCard(12);
    storeSettings(readySettings(0));
    startModel();
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
    const InsertedCard card = insertCard(5);
    storeSettings(readySettings(0));
    startModel();
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
    const InsertedCard card = insertCard(4);
    storeSettings(readySettings(0, true));
    startModel();
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

TEST_F(JobLifecycle, DismissedRunningRowComesBackAtTheTopWithTheNextReport)
{
    const InsertedCard card = insertCard(3);
    storeSettings(readySettings(0));
    startModel();
    InsertedCard other = card;
    other.url = dir / "media/OTHER";
    model->setActivity(CardActivity(other, DrainPhase::failed, "earlier"));
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
}

TEST_F(JobLifecycle, SecondDrainOfTheSameCardReusesItsRowPosition)
{
    const InsertedCard card = insertCard(2);
    storeSettings(readySettings(0));
    startModel();
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    InsertedCard other = card;
    other.url = dir / "media/OTHER";
    model->setActivity(CardActivity(other, DrainPhase::failed, "earlier"));
    model->handleMount(card);
    ASSERT_EQ(model->activities().size(), 2u);
    EXPECT_EQ(model->activities()[1].id, card.id());
    EXPECT_EQ(model->activities()[1].phase, DrainPhase::waiting);
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::ready));
    EXPECT_EQ(model->activities()[1].id, card.id());
}

TEST_F(JobLifecycle, CardGoneWhenTheWaitEndsFailsWithTheRemovedSentence)
{
    const InsertedCard card = insertCard(1);
    storeSettings(readySettings(0));
    std::filesystem::remove_all(cardRoot());
    startModel();
    ASSERT_TRUE(waitForPhase(card.id(), DrainPhase::failed));
    EXPECT_EQ(row(card.id())->detail, "The card was removed before draining could finish.");
}

TEST_F(JobLifecycle, QuittingWhileAReportWaitsNeverHangs)
{
    const InsertedCard card = insertCard(3);
    storeSettings(readySettings(0));
    startModel();
    ASSERT_TRUE(waitFor([&] { return row(card.id())->phase == DrainPhase::caching; }));
    // The worker now waits for reports that nobody will apply.
    model.reset();
    SUCCEED();
}

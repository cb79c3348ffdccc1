#include "ui/activityrow.h"

#include "ui/selectabletext.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace slatewick;

namespace {

InsertedCard card()
{
    InsertedCard card;
    card.url = "/media/ana/CARD01";
    card.displayName = "CARD01";
    card.fingerprint = "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:0";
    return card;
}

struct Shown {
    bool progress;
    int progressValue;
    bool dismiss;
    bool batchPath;
};

Shown shown(const CardActivity &activity)
{
    ActivityRow row(activity, [] {});
    row.show();
    auto *progress = row.findChild<QProgressBar *>(QStringLiteral("activityProgress"));
    return {progress->isVisible(), progress->value(),
            row.findChild<QPushButton *>(QStringLiteral("activityDismiss"))->isVisible(),
            row.findChild<SelectableText *>(QStringLiteral("activityBatchPath"))->isVisible()};
}

} // namespace

TEST(ActivityRow, ProgressBarOnlyWhileCopyingAndDismissOnlyWhenOver)
{
    struct Case {
        DrainPhase phase;
        bool progress;
        bool dismiss;
    };
    const Case cases[] = {
        {DrainPhase::waiting, false, false}, {DrainPhase::caching, true, false}, {DrainPhase::copying, true, false},
        {DrainPhase::clearing, false, false}, {DrainPhase::ready, false, true},   {DrainPhase::failed, false, true},
        {DrainPhase::removed, false, true},
    };
    for (const Case &c : cases) {
        // A progress value of 0.5 in every phase: only the copying phases may show it.
        const Shown result = shown(CardActivity(card(), c.phase, 0.5, "detail"));
        EXPECT_EQ(result.progress, c.progress) << displayText(c.phase);
        EXPECT_EQ(result.dismiss, c.dismiss) << displayText(c.phase);
        EXPECT_FALSE(result.batchPath);
    }
}

TEST(ActivityRow, ProgressBarIsEmptyAtZeroAndFullAtOne)
{
    EXPECT_EQ(shown(CardActivity(card(), DrainPhase::caching, 0.0, "")).progressValue, 0);
    const Shown full = shown(CardActivity(card(), DrainPhase::copying, 1.0, ""));
    EXPECT_TRUE(full.progress);
    EXPECT_EQ(full.progressValue, 1000);
}

TEST(ActivityRow, ShowsTextsVerbatimAndTheBatchPathOnceWritten)
{
    CardActivity activity(card(), DrainPhase::ready, 1.0, "Verified 12 files in cache and server. Card is ready for reuse.");
    activity.batchURL = "/srv/photos/2026-12-04T23-39-24Z_CARD01_A1B2C3D4";
    ActivityRow row(activity, [] {});
    row.show();
    EXPECT_EQ(row.findChild<QLabel *>("activityName")->text(), "CARD01");
    EXPECT_EQ(row.findChild<QLabel *>("activityPhase")->text(), QString::fromUtf8("Trap clean \u2014 card ready"));
    EXPECT_EQ(row.findChild<SelectableText *>("activityDetail")->text(),
              "Verified 12 files in cache and server. Card is ready for reuse.");
    auto *path = row.findChild<SelectableText *>("activityBatchPath");
    EXPECT_TRUE(path->isVisible());
    EXPECT_TRUE(path->isReadOnly());
    EXPECT_TRUE(path->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(path->text(), "/srv/photos/2026-12-04T23-39-24Z_CARD01_A1B2C3D4");

    activity.batchURL.reset();
    activity.phase = DrainPhase::failed;
    row.setActivity(activity);
    EXPECT_FALSE(path->isVisible());
}

TEST(ActivityRow, DismissRunsTheActionOnce)
{
    int dismissed = 0;
    ActivityRow row(CardActivity(card(), DrainPhase::failed, "The card was removed before draining could finish."),
                    [&] { ++dismissed; });
    row.show();
    row.findChild<QPushButton *>("activityDismiss")->click();
    EXPECT_EQ(dismissed, 1);
}

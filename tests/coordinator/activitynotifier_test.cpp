#include "coordinator/activitynotifier.h"
#include "model/settingsstore.h"
#include "support/fakedesktop.h"
#include "support/files.h"
#include "support/modelworld.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

using namespace slatewick;
using namespace slatewick::testsupport;

namespace {

struct Notifier : ::testing::Test, ModelWorld {
    FakeDesktop desktop;

    void row(const std::string &name, DrainPhase phase, double progress = 0.0, const std::string &detail = "")
    {
        model->setActivity(CardActivity({"/media/ana/" + name, name, "", "", "", "", ""}, phase, progress, detail));
    }
};

} // namespace

TEST_F(Notifier, EachPhaseChangeThatMattersIsToldOnceAndProgressOrOldRowsNever)
{
    startModel();
    row("OLD", DrainPhase::failed, 0.0, "told before the notifier started");
    ActivityNotifier notifier(*model, desktop);

    // Cleared card: reading, clearing, then the server copy with its progress reports.
    for (const DrainPhase phase : {DrainPhase::waiting, DrainPhase::caching, DrainPhase::caching, DrainPhase::clearing,
                                   DrainPhase::copying, DrainPhase::copying})
        row("A", phase, 0.5);
    row("A", DrainPhase::ready, 1.0, "Verified 3 files in cache and server. Card is ready for reuse.");
    // Clearing off: straight from the cache copy to the server copy.
    row("B", DrainPhase::caching);
    row("B", DrainPhase::copying);
    // Removed by the user: nothing to tell. Failed: the reason is the body.
    row("C", DrainPhase::waiting);
    row("C", DrainPhase::removed);
    row("D", DrainPhase::caching);
    row("D", DrainPhase::failed, 0.0, "Could not copy /media/ana/D/DCIM/IMG_1.JPG: Input/output error");
    // The same slot drains again after its row was dismissed, and fails before reading.
    model->clearActivity(model->activities().back());
    row("OLD", DrainPhase::waiting);
    row("OLD", DrainPhase::failed, 0.0, "No transferable files were found on the card.");

    const QString takenOut = " can be taken out | Safe in the local cache; the server copy continues from there.";
    EXPECT_EQ(desktop.notes,
              QStringList({"A" + takenOut,
                           "A is on the server | Verified 3 files in cache and server. Card is ready for reuse.",
                           "B" + takenOut,
                           "D needs attention | Could not copy /media/ana/D/DCIM/IMG_1.JPG: Input/output error",
                           "OLD needs attention | No transferable files were found on the card."}));
}

TEST_F(Notifier, ARealDrainWithClearingTellsTakenOutThenOnTheServer)
{
    const std::filesystem::path card = dir / "media/CARD01";
    for (int i = 1; i <= 3; ++i)
        writeFile(card / "DCIM" / ("IMG_" + std::to_string(i) + ".JPG"), std::string(1000 + i, 'x'));
    volumes->mount(card, "CARD01", "slot-1");
    SettingsStore(KeyValueStore(configFolder())).save(readySettings(0, true));
    startModel();
    ActivityNotifier notifier(*model, desktop);
    ASSERT_TRUE(waitFor([&] { return model->jobCount() == 0 && !model->activities().empty(); }));
    ASSERT_EQ(model->activities()[0].phase, DrainPhase::ready) << model->activities()[0].detail;
    ASSERT_EQ(desktop.notes.size(), 2);
    EXPECT_TRUE(desktop.notes[0].startsWith("CARD01 can be taken out | "));
    EXPECT_EQ(desktop.notes[1], "CARD01 is on the server | " + QString::fromStdString(model->activities()[0].detail));
}

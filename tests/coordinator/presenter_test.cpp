// Every written text, once: the rest of the tests check states and typed facts.
#include "coordinator/presenter.h"

#include "coordinator/upkeeppresenter.h"
#include "model/drainerror.h"
#include "platform/filesystemerror.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <tuple>

using namespace slatewick;

namespace {

std::string row(DrainPhase phase, RowState state = RowState::plain)
{
    CardActivity activity(InsertedCard{}, phase, "");
    activity.state = state;
    return Presenter::utf8(Presenter::title(activity));
}

std::string of(const QString &text) { return Presenter::utf8(text); }

std::string reason(NotCleared::Reason why, std::int64_t count = 0, std::string detail = {},
                   std::vector<std::string> files = {})
{
    return of(Presenter::notClearedReason(NotCleared{why, count, std::move(detail), std::move(files), {}}));
}

DrainEvent event(DrainEvent::Kind kind, std::int64_t file = 0, std::int64_t files = 0)
{
    return DrainEvent{kind, DrainPhase::caching, 0.0, files, 0, file, "/mnt/nas/photos"};
}

} // namespace

TEST(Presenter, RowTitlesArePhasesOrTheStatesOwn)
{
    using enum DrainPhase;
    using enum RowState;
    const std::tuple<DrainPhase, RowState, std::string> titles[] = {
        {waiting, gracePeriod, "Waiting for card to settle"}, {caching, plain, "Caching locally"},
        {copying, plain, "Copying to server"}, {clearing, plain, "Clearing card"},
        {ready, plain, "Trap clean \u2014 card ready"}, {failed, plain, "Needs attention"},
        {removed, plain, "Card removed"},
        {ready, copiedNotCleared, "Copied \u2014 card not cleared"},
        {waiting, waitingForServerFolder, "Waiting for the server folder"},
        {waiting, pendingServerCopy, "Waiting for the server"}, {waiting, pendingOtherFolder, "Waiting for the server"},
        {failed, pendingBroken, "Not sent to the server"}, {failed, pendingGone, "Not sent to the server"},
        {removed, skipped, "Skipped"}, {removed, alreadyDrained, "Already drained"}};
    for (const auto &[phase, state, title] : titles)
        EXPECT_EQ(row(phase, state), title) << static_cast<int>(phase) << " " << static_cast<int>(state);
}

TEST(Presenter, DrainEventsAndWaitsReadAsWrittenOneFilesIncluded)
{
    using enum DrainEvent::Kind;
    EXPECT_EQ(of(Presenter::gracePeriod(8)), "Waiting 8 seconds in case this was accidental");
    EXPECT_EQ(of(Presenter::countdown(3)), "Starts in 3 s");
    EXPECT_EQ(of(Presenter::event(event(listed, 0, 1))), "Copying 1 files into the local cache");
    EXPECT_EQ(of(Presenter::event(event(fileCopied, 2, 5))), "2 of 5 files");
    EXPECT_EQ(of(Presenter::event(event(clearing))),
              "Local cache verified; clearing card so it can be reused while the server copy continues");
    EXPECT_EQ(of(Presenter::event(event(sending))), "Sending verified cache to /mnt/nas/photos");
    EXPECT_EQ(of(Presenter::transfer({1'200'000'000, 4'000'000'000, std::nullopt, std::nullopt})), "1.2 GB of 4.0 GB");
    EXPECT_EQ(of(Presenter::transfer({1'200'000'000, 4'000'000'000, 85'300'000, 33})),
              "1.2 GB of 4.0 GB \u00b7 85.3 MB/s \u00b7 33 s left");
    EXPECT_EQ(of(Presenter::transfer({1, 2, 1, 119})), "1 byte of 2 bytes \u00b7 1 byte/s \u00b7 2 min left");
    EXPECT_EQ(of(Presenter::transfer({1, 2, 1, 3 * 3600 + 125})), "1 byte of 2 bytes \u00b7 1 byte/s \u00b7 3 h 2 min left");
    EXPECT_EQ(of(Presenter::transfer({2, 2, 1, std::nullopt})), "2 bytes of 2 bytes \u00b7 1 byte/s");
    EXPECT_EQ(of(Presenter::removedMidDrain()), "Card removed before the drain completed.");
    EXPECT_EQ(of(Presenter::skipped()), "Not drained. Put the card in again to drain it.");
    EXPECT_EQ(of(Presenter::alreadyDrained("2026-12-06T09-14-02Z_CARD01", 214)),
              "Drained into 2026-12-06T09-14-02Z_CARD01 (214 files); left alone at start.");
    EXPECT_EQ(of(Presenter::waitingForServerFolder("/mnt/nas/photos")), "Drains when /mnt/nas/photos is there again.");
    EXPECT_EQ(of(Presenter::takenOutBeforeCopied("CARD01")),
              "CARD01 was taken out before it was copied; nothing was cleared.");
}

// One text for a verified batch, whether its drain or a later send verified it.
TEST(Presenter, AVerifiedBatchSaysWhyItsCardKeptItsFilesAndWhatWasNotChecked)
{
    using enum NotCleared::Reason;
    DrainEngine::Outcome outcome;
    outcome.files = 12;
    EXPECT_EQ(of(Presenter::verified(outcome)), "Verified 12 files in cache and server. Card is ready for reuse.");
    outcome.files = 1;
    outcome.notCleared = NotCleared{lockedOrReadOnly, 0, {}, {}, {}};
    outcome.cacheSpaceUnchecked = outcome.serverSpaceUnchecked = true;
    outcome.leftAttempts = {"/srv/CARD01"};
    EXPECT_EQ(of(Presenter::verified(outcome)),
              "Verified 1 files in cache and server. The card was not cleared: it is locked or read-only. Free space "
              "unknown on the local cache; not checked. Free space unknown on the remote server; not checked. An earlier "
              "try was left at /srv/CARD01: it could not be proven to be this batch's own.");

    EXPECT_EQ(reason(historyMismatch, 0, {}, {"DCIM/b.jpg"}), "a file does not match the card's own history: DCIM/b.jpg.");
    EXPECT_EQ(reason(historyMismatch, 0, {}, {"a", "b", "c"}), "3 files do not match the card's own history: a, b, c.");
    EXPECT_EQ(reason(historyMismatch, 0, {}, {"a", "b", "c", "d", "e"}),
              "5 files do not match the card's own history: a, b, c and 2 more.");
    EXPECT_EQ(reason(cacheInMemory, 0, "tmpfs"),
              "the local cache is kept in memory (tmpfs) and would not survive a power cut.");
    EXPECT_EQ(reason(cacheBatchGone, 0, "/cache/CARD01"), "its cache batch /cache/CARD01 is no longer there.");
    EXPECT_EQ(reason(takenOut), "it was taken out.");
    EXPECT_EQ(reason(swapped), "a different card is now in its place.");
    EXPECT_EQ(reason(filesLeft, 1), "1 file appeared or changed after it was listed and was left on it.");
    EXPECT_EQ(reason(filesLeft, 3), "3 files appeared or changed after they were listed and were left on it.");
    EXPECT_EQ(reason(clearingFailed, 0, "Could not remove /media/CARD01/a: Input/output error"),
              "Could not remove /media/CARD01/a: Input/output error");
    NotCleared failed{clearingFailed, 0, "as stored", {}, NotCleared::Failure{"remove", "/media/CARD01/b", EIO}};
    EXPECT_EQ(of(Presenter::notClearedReason(failed)), "Could not remove /media/CARD01/b: Input/output error")
        << "worded again from its facts";
    EXPECT_EQ(reason(recorded, 0, "as an earlier version said."), "as an earlier version said.");
}

TEST(Presenter, AWaitingBatchSaysWhatItWaitsForAndWhenItLastTried)
{
    using enum PendingCause::Kind;
    // What follows the part every waiting batch's text starts with.
    const auto waiting = [](const std::optional<PendingCause> &cause, std::optional<std::filesystem::path> elsewhere = {}) {
        const std::string text = of(Presenter::waitingForServer(12'400'000'000, cause, elsewhere, "14:05", {}));
        const std::string safe = "Safe in the local cache (12.4 GB); ";
        return text.starts_with(safe) ? text.substr(safe.size()) : "does not start so: " + text;
    };
    const std::string answers = "sent when the server folder answers.";
    EXPECT_EQ(waiting(std::nullopt), answers);
    EXPECT_EQ(waiting(PendingCause{serverMissing, 0, 0, "x", {}}), answers + " Last try: 14:05.");
    EXPECT_EQ(waiting(PendingCause{serverMissing, 0, 0, "x", {}}, "/mnt/old"),
              "sent when /mnt/old answers. Another server folder has been chosen since. Last try: 14:05.");
    EXPECT_EQ(waiting(PendingCause{noRoom, 12'400'000'000, 3'100'000'000, "x", {}}),
              "needs 12.4 GB, 3.1 GB free on the server. Last try: 14:05.");
    const DrainError nested = DrainError::nestedBatch("/srv/A", "/srv/A/B", true);
    EXPECT_EQ(waiting(PendingCause::of(nested)), std::string(nested.what()) + " Last try: 14:05.");
    EXPECT_EQ(waiting(PendingCause::of(DrainError::verificationFailed("remote server"))),
              answers + " Last try: 14:05.");
    EXPECT_EQ(waiting(PendingCause::of(FileSystemError("copy into", "/srv/B", ENOSPC))),
              answers + " Last try: 14:05, Could not copy into /srv/B: No space left on device");
    EXPECT_EQ(of(Presenter::unreadableRecord("it is not JSON", "/state/batches/1.json")),
              "The record of a batch could not be read (it is not JSON). It is kept at /state/batches/1.json.");
}

TEST(Presenter, NotificationsTrayAndSettingsTexts)
{
    EXPECT_EQ(Presenter::mayBeTakenOut("CARD01"),
              (Notice{"CARD01 can be taken out", "Safe in the local cache; the server copy continues from there."}));
    EXPECT_EQ(Presenter::onServer("CARD01", "Verified."), (Notice{"CARD01 is on the server", "Verified."}));
    EXPECT_EQ(Presenter::needsAttention("CARD01", "Why."), (Notice{"CARD01 needs attention", "Why."}));
    using enum TraySummary;
    for (const auto &[summary, word] : {std::pair{attention, "Attention"}, {draining, "Draining"}, {clean, "Clean"},
                                        {ready, "Ready"}, {setup, "Setup"}})
        EXPECT_EQ(of(Presenter::trayTitle(summary)), std::string("Slatewick: ") + word);
    EXPECT_EQ(of(Presenter::toolTip(draining, "CARD01", "1 byte of 2 bytes")),
              "Slatewick: Draining \u2014 CARD01: 1 byte of 2 bytes");
    EXPECT_EQ(of(*Presenter::serverFolderProblem(ServerFolder::Availability::missing)),
              "This folder is not there. If it is on a server, the share may not be mounted.");
    EXPECT_EQ(of(*Presenter::serverFolderProblem(ServerFolder::Availability::elsewhere)),
              "This folder is not on the file system it was on when it was chosen. Mount its share, or choose the "
              "folder again if the share itself changed.");
    EXPECT_FALSE(Presenter::serverFolderProblem(ServerFolder::Availability::available));
    EXPECT_EQ(of(Presenter::launchAtLoginFailed("Permission denied")),
              "Launch at login could not be enabled: Permission denied");
}

// Worded here so that they can be translated; in English each reads exactly as the error itself.
TEST(Presenter, TheDrainsOwnFailuresReadAsTheirErrorsSay)
{
    for (const DrainError &error :
         {DrainError::verificationFailed("local cache"), DrainError::verificationFailed("remote server"),
          DrainError::sourceUnavailable(), DrainError::remoteUnavailable(), DrainError::noFiles(),
          DrainError::unsafeTemplate(), DrainError::cacheGone("2026-12-04_A"), DrainError::changedWhileRead("DCIM/a.jpg"),
          DrainError::reservedName("Slatewick-manifest.json"), DrainError::noRoom("local cache", 2'000'000, 1'000),
          DrainError::noRoom("remote server", 2'000'000, 1'000), DrainError::nestedBatch("A", "A/B"),
          DrainError::nestedBatch("/srv/A", "/srv/A/B", true), DrainError::notAHistory("no ascmhl_chain.xml"),
          DrainError::cacheChanged("/cache/A", {})})
        EXPECT_EQ(Presenter::failure(&error), QString::fromStdString(error.what()));
    const FileSystemError io("copy into", "/srv/B", EIO);
    EXPECT_EQ(Presenter::failure(&io), io.what());
    EXPECT_EQ(Presenter::failure(std::make_exception_ptr(io)), io.what());
    const std::runtime_error other("Could not copy /media/ana/CARD01/DCIM/IMG_0001.JPG: Input/output error");
    EXPECT_EQ(Presenter::failure(&other), other.what());
    EXPECT_EQ(Presenter::failure(nullptr), "The drain failed for an unknown reason.");
}

// How a batch differs, for "Check again", "Free cache space" and a batch that can no longer be sent.
TEST(Presenter, ABatchsDifferencesNameAFewFilesEach)
{
    BatchCheck check;
    check.listed = 9;
    check.missing = {"a", "b", "c", "d", "e"};
    check.changed = {"f"};
    check.historyProblem = "no ascmhl_chain.xml";
    EXPECT_EQ(of(Presenter::differences(check)),
              "5 files missing (a, b, c and 2 more), 1 file changed (f) and an ASC MHL history that is not valid "
              "(no ascmhl_chain.xml)");
    BatchRecord record;
    record.cacheBatch = "/cache/A";
    record.changes = BatchCheck{};
    record.changes->unlikeHistory = {"g"};
    EXPECT_EQ(of(Presenter::notSendable(record)),
              "The cache batch /cache/A no longer matches what was read from the card, so it is not sent: 1 file not "
              "as the ASC MHL history records it (g).");
    record.changes.reset();
    record.problem = "As an earlier version wrote it.";
    EXPECT_EQ(of(Presenter::notSendable(record)), record.problem);
    record.cacheGone = true;
    EXPECT_EQ(of(Presenter::notSendable(record)), "The cache batch /cache/A is gone, so there is nothing left to send.");
}

TEST(Presenter, TheCachesUpkeepSaysWhatItFoundAndDid)
{
    CacheSurvey survey;
    survey.heldBytes = 2'000'000;
    survey.room = FreeSpace{true, 1'000};
    survey.largestRecent = 3'000;
    EXPECT_EQ(of(UpkeepPresenter::cacheSummary(survey)), "The cache holds 2.0 MB; 1.0 kB free on its disk.");
    EXPECT_EQ(of(UpkeepPresenter::cacheWarning(survey)),
              "Less room is left than the largest of the last five batches took (3.0 kB): free some cache space before "
              "the next card.");

    FreeingStatus freeing{FreeingStatus::Stage::done, {}};
    EXPECT_EQ(of(UpkeepPresenter::freeing(freeing)), "Nothing was removed.");
    freeing.report.removed = {"/cache/A", "/cache/B"};
    freeing.report.freedBytes = 3'100'000;
    freeing.report.kept = {KeptBatch{"/cache/B", KeptBatch::Why::strayFilesStay, "/cache/B", {}, {}},
                           KeptBatch{"/cache/C", KeptBatch::Why::serverBatchDiffers, "/srv/C", {}, {}}};
    freeing.report.kept[1].check.changed = {"DCIM/a.jpg"};
    freeing.report.stopped = std::make_exception_ptr(std::runtime_error("Could not remove /cache/D: Busy"));
    EXPECT_EQ(of(UpkeepPresenter::freeing(freeing)),
              "Removed 2 batches (3.1 MB). Kept 2 batches: B: files that were not part of it stay in /cache/B. C: "
              "Server batch: 1 file changed (DCIM/a.jpg). Nothing more was removed: Could not remove /cache/D: Busy.");
    freeing.report = {true, {"/cache/E"}, 0, {KeptBatch{"/cache/F", KeptBatch::Why::holdsBatch, {}, {}, {}}}, {}};
    EXPECT_EQ(of(UpkeepPresenter::freeing(freeing)), "Removed 1 incomplete folder. Kept F: it holds a batch.");

    EXPECT_EQ(of(UpkeepPresenter::recheck(std::nullopt)), "");
    EXPECT_EQ(of(UpkeepPresenter::recheck(RecheckStatus{})), "Checking\u2026");
    RecheckStatus recheck{RecheckStatus::Stage::done, {}};
    recheck.result.cache = CheckedBatch{CheckedBatch::Result::checked, "/cache/A", {}, {}};
    recheck.result.cache->check.listed = 1;
    recheck.result.server = CheckedBatch{CheckedBatch::Result::notReachable, "/srv/A", {}, {}};
    EXPECT_EQ(of(UpkeepPresenter::recheck(recheck)),
              "Cache batch: the 1 listed file matches. Server batch: not reachable at /srv/A.");
    recheck.result.cache->check.listed = 4;
    recheck.result.server = CheckedBatch{CheckedBatch::Result::failed, "/srv/A", {},
                                         std::make_exception_ptr(std::runtime_error("line 1 is not a checksum line"))};
    EXPECT_EQ(of(UpkeepPresenter::recheck(recheck)),
              "Cache batch: all 4 files match. Server batch: could not be checked: line 1 is not a checksum line.");
}

#pragma once

#include "coordinator/drainnotice.h"
#include "coordinator/jobid.h"
#include "coordinator/mountedcards.h"
#include "coordinator/traysummary.h"
#include "model/cardactivity.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"

#include <QObject>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace slatewick {

class CardDiscovery;
class DrainEngine;
class DrainJob;
class LoginItemService;
class PendingSender;
class ServerFolderWatch;
class SettingsStore;
class VolumeMonitor;

// The one long-lived object behind the interface: settings, mounted cards,
// activity rows, and one drain job per card mount. It tells which row changed
// (rowChanged) and what the user should know (notice). Main thread only.
// Not final: the screenshot tool stages fixed rows through showRow().
class DrainModel : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DrainModel)

public:
    using MountHandler = std::function<void(const MountEntry &)>;
    // The mount point and which mount went away there (empty: whichever).
    using UnmountHandler = std::function<void(const std::filesystem::path &, const std::string &mountKey)>;
    using MonitorFactory = std::function<std::unique_ptr<VolumeMonitor>(MountHandler, UnmountHandler)>;

    struct Collaborators {
        std::shared_ptr<const CardDiscovery> discovery;
        MonitorFactory makeMonitor; // may give no monitor
        std::shared_ptr<DrainEngine> engine;
        std::filesystem::path settingsFolder;
        std::shared_ptr<LoginItemService> loginItems;
        std::filesystem::path stateFolder = {}; // the server folder's record; empty keeps none
    };

    explicit DrainModel(Collaborators collaborators, QObject *parent = nullptr);
    // Abandons waiting reports and stops the workers; never hangs.
    ~DrainModel() override;

    const DrainSettings &settings() const { return m_settings; }
    // Every assignment, equal or not, is saved and re-synchronises launch at login.
    // Each change signal is emitted once the new value is in place.
    void setSettings(const DrainSettings &settings);
    void editSettings(const std::function<void(DrainSettings &)> &edit);
    // The user chose this server folder (perhaps the same one again, once its share
    // is back): the file system it lies on now is recorded as the server's.
    void chooseServerFolder(const std::string &folder);

    // Slots watched and the server folder there, on its own file system, as last
    // checked off the main thread; false until the first check has answered.
    bool isReady() const;
    // Whether the server folder has been looked at since it was last chosen.
    bool serverFolderKnown() const;
    // Why the chosen server folder is not usable; nothing while it is, or unknown yet.
    std::optional<std::string> serverFolderProblem() const;

    const std::vector<InsertedCard> &removableCards() const { return m_removableCards; }
    // The cards are being read again; removableCards() is the last reading until then.
    bool cardsLoading() const { return m_cards->loading(); }
    const std::vector<CardActivity> &activities() const { return m_activities; }
    const std::optional<std::string> &launchAtLoginMessage() const { return m_launchAtLoginMessage; }

    void handleMount(const InsertedCard &card);
    void handleUnmount(const std::filesystem::path &url, const std::string &mountKey = {});
    // Looks at the server folder again (any mount change may have brought it back),
    // and sends the batches waiting for the server where it answers.
    void recheckServerFolder();
    void tryPendingNow();
    // Waiting batches are being tried now.
    bool tryingPending() const;
    // Ends the row's grace wait without draining; the card drains at its next insertion.
    void skipCard(RowId row);
    // Drains the card of an "Already drained" or failed row again, into a new batch.
    void drainAgain(RowId row);
    // Whether that row offers it: its card is still in, and no drain of it runs.
    bool mayDrainAgain(const CardActivity &row) const;
    // The pending batch of that row goes to the folder chosen now.
    void sendPendingToCurrentFolder(RowId row);
    void clearActivity(const CardActivity &activity);

    // Asks for the card list again; it changes once read off the main thread.
    void refreshCards();
    bool isWatched(const InsertedCard &card) const;
    void toggleSlot(const InsertedCard &card);
    void removeSlot(const CardSlot &slot);

    // What the tray, the window title and the panel's header all say, from the rows and readiness.
    TraySummary summary() const;
    std::string menuTitle() const;
    std::string menuSymbol() const;
    // The title, and what is being copied in one line.
    std::string menuToolTip() const;

    void updateLaunchAtLogin();

    bool hasJob(const std::string &cardId) const;
    std::size_t jobCount() const { return m_jobs.size(); }

signals:
    void settingsChanged();
    void removableCardsChanged();
    void activitiesChanged();
    // One row's content changed; activitiesChanged follows.
    void rowChanged(RowId row);
    void notice(const DrainNotice &notice);
    void launchAtLoginMessageChanged();
    void readinessChanged();
    // A drain or a send has ended: what the cache and the batch records hold may differ.
    void batchesChanged();

protected:
    // Puts the row in place of the one with its id, or on top where there is none.
    void showRow(CardActivity row);

private:
    void setRemovableCards(std::vector<InsertedCard> cards);
    void setLaunchAtLoginMessage(std::optional<std::string> message);
    void applySettingsChange();
    void finishJob(const JobId &job);
    void dropFinishedJobs();
    void readinessMayHaveChanged();
    void startJob(const InsertedCard &card, bool leaveIfDrained);
    void forgetEndedDrain(const InsertedCard &card);
    void cardsRead(MountedCards::Reading reading);
    // The card's row: its last one where it may be taken over, else a new one.
    RowId rowFor(const InsertedCard &card);
    void showBatchRow(const std::string &batch, CardActivity row, const std::optional<DrainNotice> &notice);
    void tell(DrainNotice notice, RowId row);

    Collaborators m_collaborators;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<VolumeMonitor> m_monitor;
    DrainSettings m_settings;
    std::vector<InsertedCard> m_removableCards;
    std::vector<CardActivity> m_activities;
    std::optional<std::string> m_launchAtLoginMessage;
    struct Job {
        std::unique_ptr<DrainJob> job;
        RowId row;
    };
    // Keyed by mount point and mount, so a card put in while the drain of the one
    // before it still runs gets a job of its own. The model is each job's one owner.
    std::map<JobId, Job> m_jobs;
    // Jobs that ended inside their own call, destroyed once control is back in the loop.
    std::vector<std::unique_ptr<DrainJob>> m_finishedJobs;
    // The row each batch waiting for the server, or sent after waiting, shows in.
    std::map<std::string, RowId> m_batchRows;
    std::uint64_t m_lastRow = 0;
    // The mounts whose drain began, so a second event for one starts nothing.
    std::set<JobId> m_drainedMounts;
    // The mounts there when the program started: a card among them that was
    // drained before is left alone, however late it becomes drainable.
    std::set<JobId> m_mountedAtStart;
    MountedCards *m_cards = nullptr;
    // The answer to this ask of the card list, or a later one, has every mounted card handled.
    std::optional<std::uint64_t> m_handleMountedFrom;
    ServerFolderWatch *m_serverFolder = nullptr;
    PendingSender *m_pending = nullptr;
    bool m_wasReady = false;
};

} // namespace slatewick

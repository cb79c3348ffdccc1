#pragma once

#include "model/cardactivity.h"
#include "model/drainsettings.h"
#include "model/insertedcard.h"

#include <QObject>

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
enum class TraySummary;
class DrainEngine;
class DrainJob;
class LoginItemService;
class PendingSender;
class ServerFolderWatch;
class SettingsStore;
class VolumeMonitor;

// The one long-lived object behind the interface: settings, mounted cards,
// activity rows, and one drain job per card. Main thread only.
class DrainModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DrainModel)

public:
    using MountHandler = std::function<void(const InsertedCard &)>;
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
    const std::vector<CardActivity> &activities() const { return m_activities; }
    const std::optional<std::string> &launchAtLoginMessage() const { return m_launchAtLoginMessage; }

    void handleMount(const InsertedCard &card);
    void handleUnmount(const std::filesystem::path &url, const std::string &mountKey = {});
    // Looks at the server folder again (any mount change may have brought it back),
    // and sends the batches waiting for the server where it answers.
    void recheckServerFolder();
    void tryPendingNow();
    // Ends the row's grace wait without draining; the card drains at its next insertion.
    void skipCard(const std::string &rowId);
    // Drains the card of an "Already drained" row into a new batch.
    void drainAgain(const std::string &rowId);
    // The row's line under its detail; an unknown row is left alone.
    void setProgressLine(const std::string &rowId, const std::string &line);
    // The pending batch of that row goes to the folder chosen now.
    void sendPendingToCurrentFolder(const std::string &rowId);
    void setActivity(const CardActivity &activity);
    void clearActivity(const CardActivity &activity);

    void refreshCards();
    bool isWatched(const InsertedCard &card) const;
    void toggleSlot(const InsertedCard &card);
    void removeSlot(const CardSlot &slot);

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
    void launchAtLoginMessageChanged();
    void readinessChanged();

private:
    void setRemovableCards(std::vector<InsertedCard> cards);
    void setLaunchAtLoginMessage(std::optional<std::string> message);
    void applySettingsChange();
    void finishJob(const std::string &jobKey);
    void readinessMayHaveChanged();
    void startJob(const InsertedCard &card, bool leaveIfDrained);

    Collaborators m_collaborators;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<VolumeMonitor> m_monitor;
    DrainSettings m_settings;
    std::vector<InsertedCard> m_removableCards;
    std::vector<CardActivity> m_activities;
    std::optional<std::string> m_launchAtLoginMessage;
    // Keyed by mount point and mount, so a card put in while the drain of the one
    // before it still runs gets a job of its own. Children of the model.
    std::map<std::string, DrainJob *> m_jobs;
    std::map<std::string, std::string> m_jobRows; // job key to row id
    // The mounts whose drain began, so a second event for one starts nothing.
    std::set<std::string> m_drainedMounts;
    // The mounts there when the program started: a card among them that was
    // drained before is left alone, however late it becomes drainable.
    std::set<std::string> m_mountedAtStart;
    ServerFolderWatch *m_serverFolder = nullptr;
    PendingSender *m_pending = nullptr;
    bool m_wasReady = false;
};

} // namespace slatewick

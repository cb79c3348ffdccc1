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
#include <string>
#include <vector>

namespace slatewick {

class CardDiscovery;
class DrainEngine;
class DrainJob;
class LoginItemService;
class SettingsStore;
class VolumeMonitor;

// The one long-lived object behind the interface: settings, mounted cards,
// activity rows, and one drain job per card. Main thread only.
class DrainModel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DrainModel)

public:
    using MountHandler = std::function<void(const InsertedCard &)>;
    using UnmountHandler = std::function<void(const std::filesystem::path &)>;
    using MonitorFactory = std::function<std::unique_ptr<VolumeMonitor>(MountHandler, UnmountHandler)>;

    struct Collaborators {
        std::shared_ptr<const CardDiscovery> discovery;
        MonitorFactory makeMonitor; // may give no monitor
        std::shared_ptr<DrainEngine> engine;
        std::filesystem::path settingsFolder;
        std::shared_ptr<LoginItemService> loginItems;

        // What the program uses: the real mount table, udev, engine, XDG folders and autostart entry.
        static Collaborators real();
    };

    explicit DrainModel(Collaborators collaborators, QObject *parent = nullptr);
    // Abandons waiting reports and stops the workers; never hangs.
    ~DrainModel() override;

    const DrainSettings &settings() const { return m_settings; }
    // Every assignment, equal or not, is saved and re-synchronises launch at login.
    // Each change signal is emitted once the new value is in place.
    void setSettings(const DrainSettings &settings);
    void editSettings(const std::function<void(DrainSettings &)> &edit);

    const std::vector<InsertedCard> &removableCards() const { return m_removableCards; }
    const std::vector<CardActivity> &activities() const { return m_activities; }
    const std::optional<std::string> &launchAtLoginMessage() const { return m_launchAtLoginMessage; }

    void handleMount(const InsertedCard &card);
    void handleUnmount(const std::filesystem::path &url);
    void setActivity(const CardActivity &activity);
    void clearActivity(const CardActivity &activity);

    void refreshCards();
    bool isWatched(const InsertedCard &card) const;
    void toggleSlot(const InsertedCard &card);
    void removeSlot(const CardSlot &slot);

    std::string menuTitle() const;
    std::string menuSymbol() const;

    void updateLaunchAtLogin();

    bool hasJob(const std::string &cardId) const { return m_jobs.count(cardId) != 0; }
    std::size_t jobCount() const { return m_jobs.size(); }

signals:
    void settingsChanged();
    void removableCardsChanged();
    void activitiesChanged();
    void launchAtLoginMessageChanged();

private:
    void setRemovableCards(std::vector<InsertedCard> cards);
    void setLaunchAtLoginMessage(std::optional<std::string> message);
    void applySettingsChange();
    void finishJob(const std::string &cardId);

    Collaborators m_collaborators;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<VolumeMonitor> m_monitor;
    DrainSettings m_settings;
    std::vector<InsertedCard> m_removableCards;
    std::vector<CardActivity> m_activities;
    std::optional<std::string> m_launchAtLoginMessage;
    std::map<std::string, DrainJob *> m_jobs; // children of the model
};

} // namespace slatewick

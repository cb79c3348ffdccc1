#include "coordinator/drainmodel.h"

#include "coordinator/drainjob.h"
#include "coordinator/loginitemservice.h"
#include "coordinator/pendingsender.h"
#include "coordinator/serverfolderwatch.h"
#include "discovery/volumemonitor.h"
#include "engine/drain/drainengine.h"
#include "model/settingsstore.h"

#include <algorithm>

namespace slatewick {

DrainModel::DrainModel(Collaborators collaborators, QObject *parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators))
    , m_store(std::make_unique<SettingsStore>(KeyValueStore(m_collaborators.settingsFolder)))
{
    // The first value is loaded, not assigned: nothing is saved or synchronised here.
    m_settings = m_store->load();
    m_cards = new MountedCards(
        m_collaborators.discovery, [this](MountedCards::Reading reading) { cardsRead(std::move(reading)); }, this);
    m_serverFolder = new ServerFolderWatch(m_collaborators.stateFolder, this);
    connect(m_serverFolder, &ServerFolderWatch::availabilityChanged, this, &DrainModel::readinessMayHaveChanged);
    m_serverFolder->setFolder(m_settings.remoteDirectory, false);
    m_pending = new PendingSender(
        m_collaborators.engine, [this] { return std::filesystem::path(m_settings.remoteDirectory); },
        [this](const CardActivity &row) {
            setActivity(row);
            if (row.phase != DrainPhase::copying)
                emit batchesChanged(); // a send has ended, one way or another
        },
        this);
    // Batches left waiting by an earlier run (a quit, a crash, a power cut) are picked up.
    m_pending->tryNow();
    if (m_collaborators.makeMonitor) {
        m_monitor = m_collaborators.makeMonitor(
            [this](const MountEntry &entry) { m_cards->mounted(entry); },
            [this](const std::filesystem::path &url, const std::string &mountKey) {
                m_cards->unmounted(mountKey);
                handleUnmount(url, mountKey);
            });
        if (m_monitor) {
            m_monitor->setTableChangedHandler([this](const std::vector<MountEntry> &volumes) {
                m_cards->tableRead(volumes);
                recheckServerFolder();
            });
            m_monitor->start();
            m_cards->tableRead(m_monitor->volumes());
        }
    }
    // The first answer names the cards there at start (see cardsRead); they drain once
    // the server folder has answered (see readinessMayHaveChanged).
    m_cards->refresh();
    updateLaunchAtLogin();
}

bool DrainModel::isReady() const
{
    return !m_settings.watchedSlots.empty() && !m_settings.remoteDirectory.empty() && m_serverFolder->available();
}

bool DrainModel::serverFolderKnown() const
{
    return m_serverFolder->availability().has_value();
}

std::optional<std::string> DrainModel::serverFolderProblem() const
{
    using Availability = ServerFolderWatch::Availability;
    if (m_settings.remoteDirectory.empty())
        return std::nullopt;
    switch (m_serverFolder->availability().value_or(Availability::available)) {
    case Availability::missing:
        return "This folder is not there. If it is on a server, the share may not be mounted.";
    case Availability::elsewhere:
        return "This folder is not on the file system it was on when it was chosen. Mount its share, or choose the "
               "folder again if the share itself changed.";
    case Availability::available:
        break;
    }
    return std::nullopt;
}

void DrainModel::recheckServerFolder()
{
    m_serverFolder->check();
    m_pending->tryNow();
}

void DrainModel::tryPendingNow()
{
    m_pending->tryNow();
}

void DrainModel::sendPendingToCurrentFolder(const std::string &rowId)
{
    m_pending->sendToCurrentFolder(rowId);
}

// When the settings become ready, the watched cards already in drain as at start-up,
// those still waiting for the folder included.
void DrainModel::readinessMayHaveChanged()
{
    const bool ready = isReady();
    const bool becameReady = ready && !m_wasReady;
    m_wasReady = ready;
    emit readinessChanged();
    if (!becameReady && (ready || !m_serverFolder->availability()))
        return;
    // Ready: they drain. Not ready: they show that they wait for the folder. Both once the cards are read.
    m_handleMountedFrom = m_cards->refresh();
}

DrainModel::~DrainModel()
{
    m_monitor.reset();
    // Every job abandons its waiting reports and stops its worker first, so
    // however many are stuck on a stalled share, quitting waits once, briefly.
    for (auto &[id, job] : m_jobs)
        job->abandon();
    for (auto &[id, job] : m_jobs)
        delete job;
    m_jobs.clear();
}

void DrainModel::setSettings(const DrainSettings &settings)
{
    const bool folderChosen = settings.remoteDirectory != m_settings.remoteDirectory;
    m_settings = settings;
    emit settingsChanged();
    applySettingsChange();
    if (folderChosen) {
        m_serverFolder->setFolder(m_settings.remoteDirectory, true);
        m_pending->tryNow(); // the waiting rows say whether their folder is still the one chosen
    }
    else
        readinessMayHaveChanged(); // a slot switched on may make the settings ready
}

void DrainModel::chooseServerFolder(const std::string &folder)
{
    const bool same = folder == m_settings.remoteDirectory;
    editSettings([&](DrainSettings &settings) { settings.remoteDirectory = folder; });
    if (same) {
        m_serverFolder->setFolder(m_settings.remoteDirectory, true);
        m_pending->tryNow();
    }
}

void DrainModel::editSettings(const std::function<void(DrainSettings &)> &edit)
{
    DrainSettings edited = m_settings;
    edit(edited);
    setSettings(edited);
}

void DrainModel::applySettingsChange()
{
    m_store->save(m_settings);
    updateLaunchAtLogin();
}

void DrainModel::setRemovableCards(std::vector<InsertedCard> cards)
{
    m_removableCards = std::move(cards);
    emit removableCardsChanged();
}

void DrainModel::setLaunchAtLoginMessage(std::optional<std::string> message)
{
    if (message == m_launchAtLoginMessage)
        return;
    m_launchAtLoginMessage = std::move(message);
    emit launchAtLoginMessageChanged();
}

namespace {

std::string jobKeyOf(const InsertedCard &card)
{
    return card.id() + '\n' + card.mountKey;
}

bool samePath(const std::string &jobKey, const std::string &cardId)
{
    return jobKey.size() > cardId.size() && jobKey.compare(0, cardId.size(), cardId) == 0
           && jobKey[cardId.size()] == '\n';
}

} // namespace

bool DrainModel::hasJob(const std::string &cardId) const
{
    return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto &job) { return samePath(job.first, cardId); });
}

void DrainModel::handleMount(const InsertedCard &card)
{
    // A second event for a mount whose drain began starts nothing.
    if (!isWatched(card) || m_drainedMounts.count(jobKeyOf(card)) != 0 || m_jobs.count(jobKeyOf(card)) != 0)
        return;
    if (!isReady()) {
        // The card drains once the folder is back, without being taken out.
        if (!m_settings.remoteDirectory.empty() && m_serverFolder->availability().has_value()) {
            CardActivity row(card, DrainPhase::waiting, 0.0,
                             "Drains when " + m_settings.remoteDirectory + " is there again.");
            row.state = RowState::waitingForServerFolder;
            setActivity(row);
        }
        return;
    }
    startJob(card, m_mountedAtStart.count(jobKeyOf(card)) != 0);
}

bool DrainModel::mayDrainAgain(const CardActivity &row) const
{
    const bool endedSo = row.state == RowState::alreadyDrained
                         || (row.phase == DrainPhase::failed && row.state == RowState::plain);
    return endedSo && isReady() && !hasJob(row.id)
           && std::any_of(m_removableCards.begin(), m_removableCards.end(),
                          [&](const InsertedCard &card) { return card.id() == row.id; });
}

void DrainModel::drainAgain(const std::string &rowId)
{
    const auto row = std::find_if(m_activities.begin(), m_activities.end(),
                                  [&](const CardActivity &activity) { return activity.id == rowId; });
    if (row == m_activities.end() || !mayDrainAgain(*row))
        return;
    const InsertedCard card = *std::find_if(m_removableCards.begin(), m_removableCards.end(),
                                            [&](const InsertedCard &mounted) { return mounted.id() == rowId; });
    m_mountedAtStart.erase(jobKeyOf(card));
    startJob(card, false);
}

// Switching a slot on asks for its card to be drained, even where this mount's drain has ended.
void DrainModel::forgetEndedDrain(const InsertedCard &card)
{
    if (m_jobs.count(jobKeyOf(card)) != 0)
        return;
    m_drainedMounts.erase(jobKeyOf(card));
    m_mountedAtStart.erase(jobKeyOf(card));
}

void DrainModel::startJob(const InsertedCard &card, bool leaveIfDrained)
{
    const std::string key = jobKeyOf(card);
    // While the drain of the card before it at this mount point still runs, this
    // card's row stands beside that one's; otherwise it takes that row's place.
    const std::string rowId = hasJob(card.id()) ? key : card.id();
    CardActivity waiting(card, DrainPhase::waiting, 0.0,
                         "Waiting " + std::to_string(m_settings.gracePeriodSeconds) +
                             " seconds in case this was accidental");
    waiting.id = rowId;
    if (m_settings.gracePeriodSeconds > 0)
        waiting.state = RowState::gracePeriod;
    setActivity(waiting);
    m_drainedMounts.insert(key);
    auto *job = new DrainJob(
        card, m_settings, m_collaborators.engine,
        [this, rowId](CardActivity row) {
            row.id = rowId;
            if (row.state == RowState::pendingServerCopy) {
                // The batch waits for the server: its own row takes over from the card's.
                std::erase_if(m_activities, [&](const CardActivity &existing) { return existing.id == rowId; });
                emit activitiesChanged();
                m_pending->tryNow();
                return;
            }
            setActivity(row);
        },
        [this, rowId](const std::string &line) { setProgressLine(rowId, line); }, [this, key] { finishJob(key); },
        leaveIfDrained, this);
    m_jobs.emplace(key, job);
    m_jobRows[key] = rowId;
    job->start();
}

void DrainModel::handleUnmount(const std::filesystem::path &url, const std::string &mountKey)
{
    const std::string cardId = url.string();
    const auto wentAway = [&](const std::string &key) {
        return mountKey.empty() ? samePath(key, cardId) : key == cardId + '\n' + mountKey;
    };
    // A job in its grace wait ends inside cancel() and leaves m_jobs.
    std::vector<DrainJob *> cancelled;
    for (auto &[key, job] : m_jobs) {
        if (wentAway(key))
            cancelled.push_back(job);
    }
    for (DrainJob *job : cancelled)
        job->cancel();
    std::erase_if(m_drainedMounts, wentAway);
    std::erase_if(m_mountedAtStart, wentAway);
    const auto waitingRows = std::erase_if(m_activities, [&](const CardActivity &row) {
        return row.id == cardId && row.state == RowState::waitingForServerFolder;
    });
    refreshCards();
    if (waitingRows != 0)
        emit activitiesChanged();
}

void DrainModel::finishJob(const std::string &jobKey)
{
    auto found = m_jobs.find(jobKey);
    if (found == m_jobs.end())
        return;
    m_jobRows.erase(jobKey);
    // The job is inside its own call here; it goes once control returns to the loop.
    found->second->deleteLater();
    m_jobs.erase(found);
    emit activitiesChanged(); // what a row offers depends on whether its card's drain runs
    emit batchesChanged();
}

void DrainModel::skipCard(const std::string &rowId)
{
    for (const auto &[key, row] : m_jobRows) {
        if (row == rowId) {
            m_jobs.at(key)->skip();
            return;
        }
    }
}

void DrainModel::setProgressLine(const std::string &rowId, const std::string &line)
{
    auto found = std::find_if(m_activities.begin(), m_activities.end(),
                              [&](const CardActivity &row) { return row.id == rowId; });
    if (found == m_activities.end() || found->progressLine == line)
        return;
    found->progressLine = line;
    emit activitiesChanged();
}

void DrainModel::setActivity(const CardActivity &activity)
{
    auto found = std::find_if(m_activities.begin(), m_activities.end(),
                              [&](const CardActivity &row) { return row.id == activity.id; });
    if (found != m_activities.end()) {
        // A per-file report keeps the byte line of the copy it belongs to.
        const bool sameCopy = activity.progressLine.empty() && found->phase == activity.phase
                              && (activity.phase == DrainPhase::caching || activity.phase == DrainPhase::copying);
        const std::string kept = sameCopy ? found->progressLine : std::string();
        *found = activity;
        if (sameCopy)
            found->progressLine = kept;
    } else
        m_activities.insert(m_activities.begin(), activity);
    emit activitiesChanged();
}

void DrainModel::clearActivity(const CardActivity &activity)
{
    m_pending->rowDismissed(activity);
    std::erase_if(m_activities, [&](const CardActivity &row) { return row.id == activity.id; });
    emit activitiesChanged();
}

} // namespace slatewick

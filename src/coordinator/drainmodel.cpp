#include "coordinator/drainmodel.h"

#include "coordinator/drainjob.h"
#include "coordinator/loginitemservice.h"
#include "coordinator/pendingsender.h"
#include "coordinator/presenter.h"
#include "coordinator/serverfolderwatch.h"
#include "discovery/carddiscovery.h"
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
    m_removableCards = m_collaborators.discovery->removableCards();
    for (const InsertedCard &card : m_removableCards)
        m_mountedAtStart.insert(card.id() + '\n' + card.mountKey);
    m_serverFolder = new ServerFolderWatch(m_collaborators.stateFolder, this);
    connect(m_serverFolder, &ServerFolderWatch::availabilityChanged, this, &DrainModel::readinessMayHaveChanged);
    m_serverFolder->setFolder(m_settings.remoteDirectory, false);
    m_pending = new PendingSender(
        m_collaborators.engine, [this] { return std::filesystem::path(m_settings.remoteDirectory); },
        [this](const CardActivity &row) { setActivity(row); }, this);
    // Batches left waiting by an earlier run (a quit, a crash, a power cut) are picked up.
    m_pending->tryNow();
    if (m_collaborators.makeMonitor) {
        m_monitor = m_collaborators.makeMonitor(
            [this](const InsertedCard &card) { handleMount(card); },
            [this](const std::filesystem::path &url, const std::string &mountKey) { handleUnmount(url, mountKey); });
        if (m_monitor) {
            m_monitor->setTableChangedHandler([this] { recheckServerFolder(); });
            m_monitor->start();
        }
    }
    updateLaunchAtLogin();
    // The cards already in drain once the server folder has answered (see readinessMayHaveChanged).
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
    if (m_settings.remoteDirectory.empty())
        return std::nullopt;
    const std::optional<QString> problem =
        Presenter::serverFolderProblem(m_serverFolder->availability().value_or(ServerFolder::Availability::available));
    return problem ? std::optional<std::string>(Presenter::utf8(*problem)) : std::nullopt;
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
    // Ready: they drain. Not ready: they show that they wait for the folder.
    const std::vector<InsertedCard> mounted = m_collaborators.discovery->removableCards();
    for (const InsertedCard &card : mounted)
        handleMount(card);
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
    refreshCards();
    // A second event for a mount whose drain began starts nothing.
    if (!isWatched(card) || m_drainedMounts.count(jobKeyOf(card)) != 0 || m_jobs.count(jobKeyOf(card)) != 0)
        return;
    if (!isReady()) {
        // The card drains once the folder is back, without being taken out.
        if (!m_settings.remoteDirectory.empty() && m_serverFolder->availability().has_value()) {
            CardActivity row(card, DrainPhase::waiting, 0.0,
                             Presenter::utf8(Presenter::waitingForServerFolder(m_settings.remoteDirectory)));
            row.state = RowState::waitingForServerFolder;
            setActivity(row);
        }
        return;
    }
    startJob(card, m_mountedAtStart.count(jobKeyOf(card)) != 0);
}

void DrainModel::drainAgain(const std::string &rowId)
{
    const auto found = std::find_if(m_removableCards.begin(), m_removableCards.end(),
                                    [&](const InsertedCard &card) { return card.id() == rowId; });
    if (found == m_removableCards.end() || m_jobs.count(jobKeyOf(*found)) != 0 || !isReady())
        return;
    const InsertedCard card = *found;
    m_mountedAtStart.erase(jobKeyOf(card));
    startJob(card, false);
}

void DrainModel::startJob(const InsertedCard &card, bool leaveIfDrained)
{
    const std::string key = jobKeyOf(card);
    // While the drain of the card before it at this mount point still runs, this
    // card's row stands beside that one's; otherwise it takes that row's place.
    const std::string rowId = hasJob(card.id()) ? key : card.id();
    CardActivity waiting(card, DrainPhase::waiting, 0.0,
                         Presenter::utf8(Presenter::gracePeriod(m_settings.gracePeriodSeconds)));
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

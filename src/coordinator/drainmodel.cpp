#include "coordinator/drainmodel.h"

#include "coordinator/drainjob.h"
#include "coordinator/loginitemservice.h"
#include "coordinator/pendingsender.h"
#include "coordinator/presenter.h"
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
        [this](const std::string &batch, const CardActivity &row, const std::optional<DrainNotice> &notice) {
            showBatchRow(batch, row, notice);
        },
        this);
    connect(m_pending, &PendingSender::tryingChanged, this, &DrainModel::activitiesChanged);
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

bool DrainModel::tryingPending() const
{
    return m_pending->trying();
}

void DrainModel::tryPendingNow()
{
    m_pending->tryNow();
}

void DrainModel::sendPendingToCurrentFolder(RowId row)
{
    for (const auto &[batch, shownIn] : m_batchRows) {
        if (shownIn == row)
            m_pending->sendToCurrentFolder(batch);
    }
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
        job.job->abandon();
    m_jobs.clear();
    m_finishedJobs.clear();
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

bool DrainModel::hasJob(const std::string &cardId) const
{
    return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto &job) { return job.first.cardId == cardId; });
}

void DrainModel::handleMount(const InsertedCard &card)
{
    // A second event for a mount whose drain began starts nothing.
    const JobId mount = JobId::of(card);
    if (!isWatched(card) || m_drainedMounts.count(mount) != 0 || m_jobs.count(mount) != 0)
        return;
    if (!isReady()) {
        // The card drains once the folder is back, without being taken out.
        if (!m_settings.remoteDirectory.empty() && m_serverFolder->availability().has_value()) {
            CardActivity row(card, DrainPhase::waiting, 0.0,
                             Presenter::utf8(Presenter::waitingForServerFolder(m_settings.remoteDirectory)));
            row.state = RowState::waitingForServerFolder;
            row.id = rowFor(card);
            showRow(row);
        }
        return;
    }
    startJob(card, m_mountedAtStart.count(mount) != 0);
}

bool DrainModel::mayDrainAgain(const CardActivity &row) const
{
    const bool endedSo = row.state == RowState::alreadyDrained
                         || (row.phase == DrainPhase::failed && row.state == RowState::plain);
    return endedSo && !row.cardId.empty() && isReady() && !hasJob(row.cardId)
           && std::ranges::find(m_removableCards, row.cardId, &InsertedCard::id) != m_removableCards.end();
}

void DrainModel::drainAgain(RowId rowId)
{
    const auto row = std::ranges::find(m_activities, rowId, &CardActivity::id);
    if (row == m_activities.end() || !mayDrainAgain(*row))
        return;
    const InsertedCard card = *std::ranges::find(m_removableCards, row->cardId, &InsertedCard::id);
    m_mountedAtStart.erase(JobId::of(card));
    startJob(card, false);
}

// Switching a slot on asks for its card to be drained, even where this mount's drain has ended.
void DrainModel::forgetEndedDrain(const InsertedCard &card)
{
    if (m_jobs.count(JobId::of(card)) != 0)
        return;
    m_drainedMounts.erase(JobId::of(card));
    m_mountedAtStart.erase(JobId::of(card));
}

// While the drain of the card before it at this mount point still runs, a card's
// row stands beside that one's; otherwise it takes the place of the card's last
// row, unless that row shows a batch of its own.
RowId DrainModel::rowFor(const InsertedCard &card)
{
    if (!hasJob(card.id())) {
        const auto own = std::ranges::find_if(m_activities, [&](const CardActivity &row) {
            return row.cardId == card.id()
                   && std::none_of(m_batchRows.begin(), m_batchRows.end(),
                                   [&](const auto &batch) { return batch.second == row.id; });
        });
        if (own != m_activities.end())
            return own->id;
    }
    return RowId{++m_lastRow};
}

void DrainModel::startJob(const InsertedCard &card, bool leaveIfDrained)
{
    const JobId key = JobId::of(card);
    const RowId rowId = rowFor(card);
    m_drainedMounts.insert(key);
    DrainJob::Reports reports;
    reports.row = [this, rowId](CardActivity row) {
        row.id = rowId;
        showRow(std::move(row));
    };
    reports.notice = [this, rowId](const DrainNotice &notice) { tell(notice, rowId); };
    reports.pending = [this, rowId](const std::string &batch) {
        // The batch waits for the server in the card's row, and is sent from there.
        m_batchRows[batch] = rowId;
        m_pending->tryNow();
    };
    reports.finished = [this, key] { finishJob(key); };
    auto job = std::make_unique<DrainJob>(card, m_settings, m_collaborators.engine, std::move(reports), leaveIfDrained);
    DrainJob &started = *job;
    m_jobs.emplace(key, Job{std::move(job), rowId});
    started.start();
}

void DrainModel::handleUnmount(const std::filesystem::path &url, const std::string &mountKey)
{
    const std::string cardId = url.string();
    const auto wentAway = [&](const JobId &job) {
        return job.cardId == cardId && (mountKey.empty() || job.mountKey == mountKey);
    };
    // A job in its grace wait ends inside cancel() and leaves m_jobs.
    std::vector<DrainJob *> cancelled;
    for (auto &[key, job] : m_jobs) {
        if (wentAway(key))
            cancelled.push_back(job.job.get());
    }
    for (DrainJob *job : cancelled)
        job->cancel();
    std::erase_if(m_drainedMounts, wentAway);
    std::erase_if(m_mountedAtStart, wentAway);
    const auto waitingRows = std::erase_if(m_activities, [&](const CardActivity &row) {
        return row.cardId == cardId && row.state == RowState::waitingForServerFolder;
    });
    refreshCards();
    if (waitingRows != 0)
        emit activitiesChanged();
}

// The job is inside its own call here: it is destroyed once control is back in the loop.
void DrainModel::finishJob(const JobId &key)
{
    auto found = m_jobs.find(key);
    if (found == m_jobs.end())
        return;
    m_finishedJobs.push_back(std::move(found->second.job));
    m_jobs.erase(found);
    QMetaObject::invokeMethod(this, &DrainModel::dropFinishedJobs, Qt::QueuedConnection);
    emit activitiesChanged(); // what a row offers depends on whether its card's drain runs
    emit batchesChanged();
}

void DrainModel::dropFinishedJobs()
{
    m_finishedJobs.clear();
}

void DrainModel::skipCard(RowId row)
{
    for (const auto &[key, job] : m_jobs) {
        if (job.row == row) {
            job.job->skip();
            return;
        }
    }
}

void DrainModel::showRow(CardActivity row)
{
    const RowId id = row.id;
    auto found = std::ranges::find(m_activities, id, &CardActivity::id);
    if (found != m_activities.end())
        *found = std::move(row);
    else
        m_activities.insert(m_activities.begin(), std::move(row));
    emit rowChanged(id);
    emit activitiesChanged();
}

// A batch that waited in its card's row goes on there; any other gets a row of its own.
void DrainModel::showBatchRow(const std::string &batch, CardActivity row, const std::optional<DrainNotice> &notice)
{
    const auto shown = m_batchRows.find(batch);
    row.id = shown != m_batchRows.end() ? shown->second : RowId{++m_lastRow};
    m_batchRows[batch] = row.id;
    if (const auto existing = std::ranges::find(m_activities, row.id, &CardActivity::id); existing != m_activities.end())
        row.cardId = existing->cardId;
    const RowId id = row.id;
    const bool sendEnded = row.phase != DrainPhase::copying;
    showRow(std::move(row));
    if (notice)
        tell(*notice, id);
    if (sendEnded)
        emit batchesChanged();
}

void DrainModel::tell(DrainNotice notice, RowId row)
{
    notice.row = row;
    emit this->notice(notice);
}

void DrainModel::clearActivity(const CardActivity &activity)
{
    for (auto batch = m_batchRows.begin(); batch != m_batchRows.end();) {
        if (batch->second == activity.id) {
            m_pending->rowDismissed(batch->first, activity.state);
            batch = m_batchRows.erase(batch);
        } else {
            ++batch;
        }
    }
    std::erase_if(m_activities, [&](const CardActivity &row) { return row.id == activity.id; });
    emit activitiesChanged();
}

// Slot selection: the cards mounted, and which reader slots are watched, decided by fingerprint alone.

void DrainModel::refreshCards()
{
    m_cards->refresh();
}

// The first answer is the cards there at start: one of them drained before is left alone.
void DrainModel::cardsRead(MountedCards::Reading reading)
{
    if (reading.ask == 1) {
        for (const InsertedCard &card : reading.removable)
            m_mountedAtStart.insert(JobId::of(card));
    }
    setRemovableCards(std::move(reading.removable));
    for (const InsertedCard &card : reading.mounted)
        handleMount(card);
    if (m_handleMountedFrom && reading.ask >= *m_handleMountedFrom) {
        m_handleMountedFrom.reset();
        const std::vector<InsertedCard> cards = m_removableCards;
        for (const InsertedCard &card : cards)
            handleMount(card);
    }
}

bool DrainModel::isWatched(const InsertedCard &card) const
{
    return std::any_of(m_settings.watchedSlots.begin(), m_settings.watchedSlots.end(),
                       [&](const CardSlot &slot) { return slot.fingerprint == card.fingerprint; });
}

void DrainModel::toggleSlot(const InsertedCard &card)
{
    editSettings([&](DrainSettings &settings) {
        auto &watched = settings.watchedSlots;
        auto first = std::find_if(watched.begin(), watched.end(),
                                  [&](const CardSlot &slot) { return slot.fingerprint == card.fingerprint; });
        if (first != watched.end())
            watched.erase(first);
        else
            watched.push_back(card.slot());
    });
    if (!isWatched(card))
        return;
    forgetEndedDrain(card);
    handleMount(card);
}

void DrainModel::removeSlot(const CardSlot &slot)
{
    editSettings([&](DrainSettings &settings) {
        std::erase_if(settings.watchedSlots, [&](const CardSlot &watched) { return watched.id() == slot.id(); });
    });
}

// The tray's verdict and the launch-at-login synchronisation.

TraySummary DrainModel::summary() const
{
    return summarize(m_activities, isReady());
}

std::string DrainModel::menuTitle() const
{
    return Presenter::utf8(Presenter::trayTitle(summary()));
}

std::string DrainModel::menuToolTip() const
{
    for (const CardActivity &row : m_activities) {
        if ((row.phase == DrainPhase::caching || row.phase == DrainPhase::copying) && !row.progressLine.empty())
            return Presenter::utf8(Presenter::toolTip(summary(), row.cardName, row.progressLine));
    }
    return menuTitle();
}

std::string DrainModel::menuSymbol() const
{
    return symbolOf(summary());
}

void DrainModel::updateLaunchAtLogin()
{
    LoginItemService *service = m_collaborators.loginItems.get();
    if (!service)
        return;
    const bool wanted = m_settings.launchAtLogin;
    const bool enabled = service->isEnabled();
    try {
        if (wanted && !enabled)
            service->registerItem();
        else if (!wanted && enabled)
            service->unregisterItem();
        else if (!wanted)
            return; // not registered and not wanted: an earlier message stays
        setLaunchAtLoginMessage(std::nullopt);
    } catch (const std::exception &error) {
        setLaunchAtLoginMessage(Presenter::utf8(Presenter::launchAtLoginFailed(error.what())));
    }
}

} // namespace slatewick

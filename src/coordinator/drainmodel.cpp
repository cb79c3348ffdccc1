#include "coordinator/drainmodel.h"

#include "coordinator/drainjob.h"
#include "coordinator/loginitemservice.h"
#include "discovery/carddiscovery.h"
#include "discovery/volumemonitor.h"
#include "engine/drainengine.h"
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
    if (m_collaborators.makeMonitor) {
        m_monitor = m_collaborators.makeMonitor([this](const InsertedCard &card) { handleMount(card); },
                                                [this](const std::filesystem::path &url) { handleUnmount(url); });
        if (m_monitor)
            m_monitor->start();
    }
    updateLaunchAtLogin();
    const std::vector<InsertedCard> mounted = m_removableCards;
    for (const auto &card : mounted)
        handleMount(card);
}

DrainModel::~DrainModel()
{
    m_monitor.reset();
    // Each job abandons its waiting reports and stops its worker.
    for (auto &[id, job] : m_jobs)
        delete job;
    m_jobs.clear();
}

void DrainModel::setSettings(const DrainSettings &settings)
{
    m_settings = settings;
    emit settingsChanged();
    applySettingsChange();
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

void DrainModel::handleMount(const InsertedCard &card)
{
    refreshCards();
    if (!m_settings.isReady() || !isWatched(card) || hasJob(card.id()))
        return;
    setActivity(CardActivity(card, DrainPhase::waiting, 0.0,
                             "Waiting " + std::to_string(m_settings.gracePeriodSeconds) +
                                 " seconds in case this was accidental"));
    const std::string id = card.id();
    auto *job = new DrainJob(
        card, m_settings, m_collaborators.engine, [this](const CardActivity &row) { setActivity(row); },
        [this, id] { finishJob(id); }, this);
    m_jobs.emplace(id, job);
    job->start();
}

void DrainModel::handleUnmount(const std::filesystem::path &url)
{
    if (auto found = m_jobs.find(url.string()); found != m_jobs.end())
        found->second->cancel();
    refreshCards();
}

void DrainModel::finishJob(const std::string &cardId)
{
    auto found = m_jobs.find(cardId);
    if (found == m_jobs.end())
        return;
    // The job is inside its own call here; it goes once control returns to the loop.
    found->second->deleteLater();
    m_jobs.erase(found);
}

void DrainModel::setActivity(const CardActivity &activity)
{
    auto found = std::find_if(m_activities.begin(), m_activities.end(),
                              [&](const CardActivity &row) { return row.id == activity.id; });
    if (found != m_activities.end())
        *found = activity;
    else
        m_activities.insert(m_activities.begin(), activity);
    emit activitiesChanged();
}

void DrainModel::clearActivity(const CardActivity &activity)
{
    std::erase_if(m_activities, [&](const CardActivity &row) { return row.id == activity.id; });
    emit activitiesChanged();
}

} // namespace slatewick

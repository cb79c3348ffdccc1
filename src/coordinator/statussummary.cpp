// The tray summary and the launch-at-login synchronisation.
#include "coordinator/drainmodel.h"

#include "coordinator/loginitemservice.h"

#include <algorithm>

namespace slatewick {

namespace {

struct Summary {
    DrainModel::Verdict verdict;
    const char *title;
    const char *symbol;
};

Summary summarize(const std::vector<CardActivity> &activities, bool ready)
{
    const auto any = [&](std::initializer_list<DrainPhase> phases) {
        return std::any_of(activities.begin(), activities.end(), [&](const CardActivity &row) {
            return std::find(phases.begin(), phases.end(), row.phase) != phases.end();
        });
    };
    const bool pending = std::any_of(activities.begin(), activities.end(), [](const CardActivity &row) {
        return row.state == RowState::pendingServerCopy || row.state == RowState::pendingOtherFolder;
    });
    if (pending || any({DrainPhase::failed}))
        return {DrainModel::Verdict::attention, "Slatewick: Attention", "exclamationmark.triangle.fill"};
    if (any({DrainPhase::caching, DrainPhase::copying, DrainPhase::clearing}))
        return {DrainModel::Verdict::draining, "Slatewick: Draining", "arrow.triangle.2.circlepath"};
    if (any({DrainPhase::ready}))
        return {DrainModel::Verdict::clean, "Slatewick: Clean", "checkmark.circle.fill"};
    if (ready)
        return {DrainModel::Verdict::ready, "Slatewick: Ready", "tray.and.arrow.down.fill"};
    return {DrainModel::Verdict::setup, "Slatewick: Setup", "slider.horizontal.3"};
}

} // namespace

DrainModel::Verdict DrainModel::verdict() const
{
    return summarize(m_activities, isReady()).verdict;
}

std::string DrainModel::menuTitle() const
{
    return summarize(m_activities, isReady()).title;
}

std::string DrainModel::menuToolTip() const
{
    std::string tip = menuTitle();
    for (const CardActivity &row : m_activities) {
        if ((row.phase == DrainPhase::caching || row.phase == DrainPhase::copying) && !row.progressLine.empty())
            return tip + " — " + row.cardName + ": " + row.progressLine;
    }
    return tip;
}

std::string DrainModel::menuSymbol() const
{
    return summarize(m_activities, isReady()).symbol;
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
        setLaunchAtLoginMessage("Launch at login could not be enabled: " + std::string(error.what()));
    }
}

} // namespace slatewick

// The tray summary and the launch-at-login synchronisation.
#include "coordinator/drainmodel.h"

#include "coordinator/loginitemservice.h"
#include "coordinator/presenter.h"

#include <algorithm>

namespace slatewick {

namespace {

const char *symbolOf(TraySummary summary)
{
    switch (summary) {
    case TraySummary::attention: return "exclamationmark.triangle.fill";
    case TraySummary::draining: return "arrow.triangle.2.circlepath";
    case TraySummary::clean: return "checkmark.circle.fill";
    case TraySummary::ready: return "tray.and.arrow.down.fill";
    case TraySummary::setup: break;
    }
    return "slider.horizontal.3";
}

} // namespace

// A card taken out before it was copied, like a batch waiting for the server, needs
// attention until its row is dismissed: a clean tray beside it would promise it is safe.
TraySummary summarize(const std::vector<CardActivity> &activities, bool ready)
{
    const auto any = [&](std::initializer_list<DrainPhase> phases) {
        return std::any_of(activities.begin(), activities.end(), [&](const CardActivity &row) {
            return std::find(phases.begin(), phases.end(), row.phase) != phases.end();
        });
    };
    const bool pending = std::any_of(activities.begin(), activities.end(), [](const CardActivity &row) {
        return row.state == RowState::pendingServerCopy || row.state == RowState::pendingOtherFolder
               || row.state == RowState::takenOutEarly;
    });
    if (pending || any({DrainPhase::failed}))
        return TraySummary::attention;
    if (any({DrainPhase::caching, DrainPhase::copying, DrainPhase::clearing}))
        return TraySummary::draining;
    if (any({DrainPhase::ready}))
        return TraySummary::clean;
    return ready ? TraySummary::ready : TraySummary::setup;
}

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

// The real collaborators the program runs with.
#include "coordinator/drainmodel.h"

#include "coordinator/xdgautostart.h"
#include "discovery/carddiscovery.h"
#include "discovery/volumemonitor.h"
#include "engine/drainengine.h"
#include "platform/userfolders.h"

namespace slatewick {

DrainModel::Collaborators DrainModel::Collaborators::real()
{
    Collaborators collaborators;
    auto discovery = std::make_shared<const CardDiscovery>();
    collaborators.discovery = discovery;
    collaborators.makeMonitor = [discovery](MountHandler onMount, UnmountHandler onUnmount) {
        return std::make_unique<VolumeMonitor>(std::move(onMount), std::move(onUnmount), discovery);
    };
    DrainEngine::Options engineOptions;
    engineOptions.stateFolder = userfolders::stateFolder();
    collaborators.engine = std::make_shared<DrainEngine>(userfolders::applicationData(), engineOptions);
    collaborators.settingsFolder = userfolders::settingsFolder();
    collaborators.loginItems =
        std::make_shared<XdgAutostart>(userfolders::configHome() / "autostart", XdgAutostart::runningProgram());
    return collaborators;
}

} // namespace slatewick

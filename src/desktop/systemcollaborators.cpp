#include "desktop/systemcollaborators.h"

#include "desktop/xdgautostart.h"
#include "discovery/carddiscovery.h"
#include "discovery/volumemonitor.h"
#include "engine/drain/drainengine.h"
#include "platform/userfolders.h"

namespace slatewick {

DrainModel::Collaborators systemCollaborators()
{
    DrainModel::Collaborators collaborators;
    collaborators.discovery = std::make_shared<const CardDiscovery>();
    collaborators.makeMonitor = [](DrainModel::MountHandler onMount, DrainModel::UnmountHandler onUnmount) {
        return std::make_unique<VolumeMonitor>(std::move(onMount), std::move(onUnmount));
    };
    DrainEngine::Options engineOptions;
    engineOptions.stateFolder = userfolders::stateFolder();
    collaborators.engine = std::make_shared<DrainEngine>(userfolders::applicationData(), engineOptions);
    collaborators.stateFolder = userfolders::stateFolder();
    collaborators.settingsFolder = userfolders::settingsFolder();
    collaborators.loginItems =
        std::make_shared<XdgAutostart>(userfolders::configHome() / "autostart", XdgAutostart::runningProgram());
    return collaborators;
}

} // namespace slatewick

#include "screenshotworld.h"

#include "discovery/carddiscovery.h"
#include "engine/drain/drainengine.h"
#include "support/fakeloginitems.h"
#include "support/fakevolumes.h"

namespace slatewick {

ScreenshotWorld::ScreenshotWorld()
    : m_dir(QDir::tempPath() + QStringLiteral("/slatewick-shots-XXXXXX"))
    , m_volumes(std::make_shared<testsupport::FakeVolumes>())
    , m_loginItems(std::make_shared<testsupport::FakeLoginItems>())
{
}

ScreenshotWorld::~ScreenshotWorld() = default;

std::filesystem::path ScreenshotWorld::folder(const std::string &relative) const
{
    const std::filesystem::path path = std::filesystem::path(m_dir.path().toStdString()) / relative;
    std::filesystem::create_directories(path);
    return path;
}

InsertedCard ScreenshotWorld::mount(const std::string &name, const std::string &location, const std::string &vendor,
                                    const std::string &model)
{
    const std::filesystem::path root = folder("media/" + name);
    m_volumes->mount(root, name, location, vendor, model);
    return *CardDiscovery(m_volumes).make(root, name);
}

void ScreenshotWorld::failLaunchAtLogin(const std::string &reason)
{
    m_loginItems->failWith = reason;
}

StagedModel &ScreenshotWorld::start()
{
    DrainModel::Collaborators collaborators;
    collaborators.discovery = std::make_shared<const CardDiscovery>(m_volumes);
    collaborators.engine = std::make_shared<DrainEngine>(folder("data"));
    collaborators.settingsFolder = folder("config/Slatewick");
    collaborators.loginItems = m_loginItems;
    m_model = std::make_unique<StagedModel>(collaborators);
    return *m_model;
}

} // namespace slatewick

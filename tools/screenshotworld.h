#pragma once

#include "coordinator/drainmodel.h"

#include <QTemporaryDir>

#include <filesystem>
#include <memory>

namespace slatewick {

namespace testsupport {
class FakeLoginItems;
class FakeVolumes;
} // namespace testsupport

// A throw-away world for one picture: temporary folders, a mount table and a
// login-item service the tool writes, and a real model over them.
class ScreenshotWorld {
public:
    ScreenshotWorld();
    ~ScreenshotWorld();

    std::filesystem::path folder(const std::string &relative) const;
    // A card mounted under the world's media folder, in the given reader slot.
    InsertedCard mount(const std::string &name, const std::string &location, const std::string &vendor,
                       const std::string &model);
    void failLaunchAtLogin(const std::string &reason);
    DrainModel &start();
    DrainModel &model() { return *m_model; }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<testsupport::FakeVolumes> m_volumes;
    std::shared_ptr<testsupport::FakeLoginItems> m_loginItems;
    std::unique_ptr<DrainModel> m_model;
};

} // namespace slatewick

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

// The real model with rows put in place for a picture, as no drain would leave them.
class StagedModel final : public DrainModel {
public:
    using DrainModel::DrainModel;
    void stage(CardActivity row)
    {
        row.id = RowId{++m_staged};
        showRow(std::move(row));
    }

private:
    std::uint64_t m_staged = 1000;
};

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
    StagedModel &start();
    StagedModel &model() { return *m_model; }

private:
    QTemporaryDir m_dir;
    std::shared_ptr<testsupport::FakeVolumes> m_volumes;
    std::shared_ptr<testsupport::FakeLoginItems> m_loginItems;
    std::unique_ptr<StagedModel> m_model;
};

} // namespace slatewick

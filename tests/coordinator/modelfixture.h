#pragma once

#include "model/settingsstore.h"
#include "support/files.h"
#include "support/modelworld.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

namespace slatewick::testsupport {

// The model of a ModelWorld with one card slot at media/CARD01 and its stored settings.
struct ModelFixture : ::testing::Test, ModelWorld {
    std::filesystem::path cardRoot() const { return dir / "media/CARD01"; }

    void makeCard(int files, const std::filesystem::path &root)
    {
        for (int i = 1; i <= files; ++i)
            writeFile(root / "DCIM" / ("IMG_" + std::to_string(1000 + i) + ".JPG"), std::string(100 + i, 'x'));
    }

    InsertedCard insertCard(int files = 3, const std::string &location = "slot-1")
    {
        makeCard(files, cardRoot());
        volumes->mount({cardRoot(), "CARD01", location});
        return *CardDiscovery(volumes).make(cardRoot(), std::nullopt);
    }

    void storeSettings(const DrainSettings &settings) const
    {
        SettingsStore(KeyValueStore(configFolder())).save(settings);
    }

    const CardActivity *row(const std::string &id) const
    {
        for (const auto &activity : model->activities()) {
            if (activity.id == id)
                return &activity;
        }
        return nullptr;
    }

    bool waitForPhase(const std::string &id, DrainPhase phase)
    {
        return waitFor([&] {
            const CardActivity *current = row(id);
            return current && current->phase == phase && !model->hasJob(id);
        });
    }
};

} // namespace slatewick::testsupport

#pragma once

#include "coordinator/drainmodel.h"
#include "discovery/carddiscovery.h"
#include "engine/drainengine.h"
#include "model/settingsstore.h"
#include "support/fakeloginitems.h"
#include "support/fakevolumes.h"
#include "support/files.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

namespace slatewick::testsupport {

// A model over real folders and a real engine, with the mount table and the
// login-item service replaced, and no monitor: tests deliver mounts themselves.
struct ModelFixture : ::testing::Test {
    TempDir dir;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    std::shared_ptr<FakeLoginItems> loginItems = std::make_shared<FakeLoginItems>();
    std::unique_ptr<DrainModel> model;

    std::filesystem::path cardRoot() const { return dir / "media/CARD01"; }
    std::filesystem::path remote() const { return dir / "server"; }
    std::filesystem::path configFolder() const { return dir / "config/Slatewick"; }

    void SetUp() override { std::filesystem::create_directories(remote()); }

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

    DrainSettings readySettings(std::int64_t grace = 0, bool clear = false) const
    {
        DrainSettings settings;
        settings.watchedSlots.push_back(CardSlot{"slot-1", "CARD01 \u2014 slot-1", "Acme", "Reader", "usb"});
        settings.remoteDirectory = remote().string();
        settings.gracePeriodSeconds = grace;
        settings.clearAfterCopy = clear;
        return settings;
    }

    void storeSettings(const DrainSettings &settings) const
    {
        SettingsStore(KeyValueStore(configFolder())).save(settings);
    }

    DrainModel &start()
    {
        DrainModel::Collaborators collaborators;
        collaborators.discovery = std::make_shared<const CardDiscovery>(volumes);
        collaborators.engine = std::make_shared<DrainEngine>(dir / "data");
        collaborators.settingsFolder = configFolder();
        collaborators.loginItems = loginItems;
        model = std::make_unique<DrainModel>(collaborators);
        return *model;
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

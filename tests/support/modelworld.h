#pragma once

#include "coordinator/drainmodel.h"
#include "discovery/carddiscovery.h"
#include "engine/drain/drainengine.h"
#include "model/settingsstore.h"
#include "support/fakeloginitems.h"
#include "support/fakevolumes.h"
#include "support/files.h"
#include "support/tempdir.h"
#include "support/waitfor.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace slatewick::testsupport {

// A drain model over real folders and a real engine, with the mount table and
// the login-item service replaced and no mount monitor: tests deliver mounts.
struct ModelWorld {
    TempDir dir;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    std::shared_ptr<FakeLoginItems> loginItems = std::make_shared<FakeLoginItems>();
    std::shared_ptr<DrainEngine> engine;
    std::unique_ptr<DrainModel> model;

    ModelWorld() { std::filesystem::create_directories(remote()); }

    std::filesystem::path remote() const { return dir / "server"; }
    std::filesystem::path configFolder() const { return dir / "config/Slatewick"; }
    std::filesystem::path stateFolder() const { return dir / "state"; }

    // A new engine and what a model is made of, with these settings stored if given. withState: the program's own
    // records (server folders, batches) are kept in dir/state.
    DrainModel::Collaborators collaborators(bool withState, const std::optional<DrainSettings> &stored = std::nullopt)
    {
        if (stored)
            SettingsStore(KeyValueStore(configFolder())).save(*stored);
        const std::filesystem::path state = withState ? stateFolder() : std::filesystem::path();
        engine = std::make_shared<DrainEngine>(dir / "data", DrainEngine::Options{state});
        return {std::make_shared<const CardDiscovery>(volumes), {}, engine, configFolder(), loginItems, state};
    }

    DrainModel &startModel(bool withState = false, const std::optional<DrainSettings> &stored = std::nullopt)
    {
        model = std::make_unique<DrainModel>(collaborators(withState, stored));
        // The server folder and the cards are looked at off the main thread; the cards in drain once both have answered.
        waitFor([&] { return model->serverFolderKnown() && !model->cardsLoading(); });
        return *model;
    }

    // A card of this many photos in a reader slot, mounted at dir/media/<name> as a desktop mounts one.
    InsertedCard insert(const std::string &name, int files = 0, const std::string &location = "slot-1")
    {
        const std::filesystem::path root = dir / "media" / name;
        std::filesystem::create_directories(root);
        for (int i = 1; i <= files; ++i)
            writeFile(root / "DCIM" / ("IMG_" + std::to_string(1000 + i) + ".JPG"), std::string(100 + i, 'x'));
        volumes->mount(root, name, location);
        return *CardDiscovery(volumes).make(root, name);
    }

    // A batch of this card left in the cache by an earlier run that could not reach the settings' server folder.
    void leavePendingBatch(const std::string &name, const DrainSettings &settings)
    {
        const InsertedCard card{dir / "cards" / name, name, "", "", "", "", ""};
        writeFile(card.url / "DCIM/a.jpg", name);
        DrainEngine earlier(dir / "data", DrainEngine::Options{stateFolder()});
        EXPECT_THROW(earlier.drain(card, settings, [](const DrainEvent &) {}, {}), ServerCopyPending);
    }

    // Settings that are ready: one watched slot ("slot-1") and an existing remote folder.
    DrainSettings readySettings(std::int64_t grace = 8, bool clear = false) const
    {
        DrainSettings settings;
        settings.watchedSlots.push_back(CardSlot{"slot-1", "CARD01 \u2014 slot-1", "Acme", "Reader", "usb"});
        settings.remoteDirectory = remote().string();
        settings.gracePeriodSeconds = grace;
        settings.clearAfterCopy = clear;
        return settings;
    }
};

} // namespace slatewick::testsupport

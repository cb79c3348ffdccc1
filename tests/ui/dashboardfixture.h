#pragma once

#include "coordinator/drainmodel.h"
#include "discovery/carddiscovery.h"
#include "engine/drainengine.h"
#include "support/fakeloginitems.h"
#include "support/fakevolumes.h"
#include "support/tempdir.h"
#include "ui/dashboardview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace slatewick::testsupport {

// A shown dashboard over a real model, real folders and a real engine, with
// the mount table and the login-item service replaced and no mount monitor.
struct DashboardFixture : ::testing::Test {
    TempDir dir;
    std::shared_ptr<FakeVolumes> volumes = std::make_shared<FakeVolumes>();
    std::shared_ptr<FakeLoginItems> loginItems = std::make_shared<FakeLoginItems>();
    std::unique_ptr<DrainModel> model;
    std::unique_ptr<DashboardView> view;

    std::filesystem::path remote() const { return dir / "server"; }

    void SetUp() override { std::filesystem::create_directories(remote()); }
    void TearDown() override
    {
        view.reset();
        model.reset();
    }

    InsertedCard mount(const std::string &name, const std::string &location)
    {
        const std::filesystem::path root = dir / "media" / name;
        std::filesystem::create_directories(root);
        volumes->mount({root, name, location});
        return *CardDiscovery(volumes).make(root, name);
    }

    DrainModel &startModel()
    {
        DrainModel::Collaborators collaborators;
        collaborators.discovery = std::make_shared<const CardDiscovery>(volumes);
        collaborators.engine = std::make_shared<DrainEngine>(dir / "data");
        collaborators.settingsFolder = dir / "config/Slatewick";
        collaborators.loginItems = loginItems;
        model = std::make_unique<DrainModel>(collaborators);
        return *model;
    }

    DashboardView &show()
    {
        if (!model)
            startModel();
        view = std::make_unique<DashboardView>(*model);
        view->resize(540, 620);
        view->show();
        return *view;
    }

    // Settings that are ready: one watched slot and an existing remote folder.
    DrainSettings readySettings(const std::string &location = "slot-1") const
    {
        DrainSettings settings;
        settings.watchedSlots.push_back(CardSlot{location, "CARD01 \u2014 " + location, "Acme", "Reader", "usb"});
        settings.remoteDirectory = remote().string();
        return settings;
    }

    template<typename Widget>
    Widget *find(const QString &name) const
    {
        return view->findChild<Widget *>(name);
    }

    // Visible widgets of a kind, top to bottom as the user sees them.
    template<typename Widget>
    std::vector<Widget *> shown(const QString &name = {}) const
    {
        std::vector<Widget *> result;
        for (Widget *widget : view->findChildren<Widget *>(name)) {
            if (widget->isVisible())
                result.push_back(widget);
        }
        std::sort(result.begin(), result.end(), [this](QWidget *a, QWidget *b) {
            return a->mapTo(view.get(), QPoint()).y() < b->mapTo(view.get(), QPoint()).y();
        });
        return result;
    }

    QAbstractButton *button(const QString &text) const
    {
        for (QAbstractButton *candidate : shown<QAbstractButton>()) {
            if (candidate->text() == text)
                return candidate;
        }
        return nullptr;
    }

    bool showsText(const QString &text) const
    {
        const std::vector<QLabel *> labels = shown<QLabel>();
        return std::any_of(labels.begin(), labels.end(), [&](QLabel *label) { return label->text() == text; });
    }

    // Rows added to a shown dashboard appear, and replaced rows go, at the next turn of the event loop.
    static void settle() { QApplication::processEvents(); }
};

} // namespace slatewick::testsupport

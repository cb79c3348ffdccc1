#pragma once

#include "support/modelworld.h"
#include "ui/dashboardview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace slatewick::testsupport {

// A shown dashboard over the model of a ModelWorld.
struct DashboardFixture : ::testing::Test, ModelWorld {
    std::unique_ptr<DashboardView> view;

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

    DashboardView &show()
    {
        if (!model)
            startModel();
        view = std::make_unique<DashboardView>(*model);
        view->resize(540, 620);
        view->show();
        return *view;
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

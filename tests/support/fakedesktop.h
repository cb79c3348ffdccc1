#pragma once

#include "coordinator/desktopservices.h"

#include <QStringList>

#include <filesystem>
#include <vector>

namespace slatewick::testsupport {

// A desktop that records what it was asked to do.
class FakeDesktop final : public DesktopServices {
public:
    void notify(const QString &summary, const QString &body) override { notes << summary + " | " + body; }
    void openFolder(const std::filesystem::path &folder, OpeningFailed failed) override
    {
        opened.push_back(folder);
        if (!fileManager)
            failed();
    }

    QStringList notes; // "summary | body"
    std::vector<std::filesystem::path> opened;
    bool fileManager = true;
};

} // namespace slatewick::testsupport

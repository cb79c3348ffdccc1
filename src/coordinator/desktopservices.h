#pragma once

#include <QString>

#include <filesystem>
#include <functional>

namespace slatewick {

// What the program asks of the desktop it runs on. The real one talks to the
// session's notification service and file manager; tests give a fake.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // What a failed opening calls, on the main thread.
    using OpeningFailed = std::function<void()>;

    // Plain text: the implementation makes it safe for the service. Nothing
    // happens, and nothing fails, where the desktop has no such service.
    virtual void notify(const QString &summary, const QString &body) = 0;
    // In the desktop's file manager; failed is called where none opened it.
    virtual void openFolder(const std::filesystem::path &folder, OpeningFailed failed) = 0;
};

} // namespace slatewick

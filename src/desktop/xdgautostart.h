#pragma once

#include "coordinator/loginitemservice.h"

#include <filesystem>

namespace slatewick {

// Launch at login through an XDG autostart entry, slatewick.desktop, whose
// Exec is the running program. Enabled while the entry exists, is not switched
// off and starts this very program.
class XdgAutostart final : public LoginItemService {
public:
    XdgAutostart(std::filesystem::path autostartFolder, std::filesystem::path program);

    bool isEnabled() const override;
    void registerItem() override;
    void unregisterItem() override;

    std::filesystem::path entryPath() const { return m_folder / "slatewick.desktop"; }
    // The absolute path of this process's executable.
    static std::filesystem::path runningProgram();

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_program;
};

} // namespace slatewick

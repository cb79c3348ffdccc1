#pragma once

#include <filesystem>

class QWidget;

namespace slatewick {

class DesktopServices;

// Opens a batch folder in the file manager; where none opens it, a message next to
// `near` says so and gives the path as text to copy.
void openFolderOrSay(DesktopServices &desktop, const std::filesystem::path &folder, QWidget *near);

} // namespace slatewick

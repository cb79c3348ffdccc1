#pragma once

#include <filesystem>

// The per-user folders of the XDG base-directory rules.
namespace slatewick::userfolders {

// $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path configHome();
// $XDG_DATA_HOME, else ~/.local/share
std::filesystem::path dataHome();

// ~/.config/Slatewick: where the settings live.
std::filesystem::path settingsFolder();
// ~/.local/share: the per-user application data folder, holding Slatewick/Cache.
std::filesystem::path applicationData();

} // namespace slatewick::userfolders

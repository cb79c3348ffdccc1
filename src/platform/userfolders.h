#pragma once

#include <filesystem>

// The per-user folders of the XDG base-directory rules.
namespace slatewick::userfolders {

// $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path configHome();
// $XDG_DATA_HOME, else ~/.local/share
std::filesystem::path dataHome();

// $XDG_STATE_HOME/Slatewick, else ~/.local/state/Slatewick: the program's own
// records, kept out of the settings document that others read.
std::filesystem::path stateFolder();
// ~/.config/Slatewick: where the settings live.
std::filesystem::path settingsFolder();
// ~/.local/share: the per-user application data folder, holding Slatewick/Cache.
std::filesystem::path applicationData();

} // namespace slatewick::userfolders

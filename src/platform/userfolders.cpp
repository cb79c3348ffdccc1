#include "platform/userfolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace slatewick::userfolders {

namespace fs = std::filesystem;

namespace {

fs::path home()
{
    if (const char *value = std::getenv("HOME"); value && *value)
        return value;
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

// A relative value is ignored, as the XDG rules require.
fs::path fromEnvironment(const char *name, const fs::path &fallback)
{
    const char *value = std::getenv(name);
    if (value && *value == '/')
        return value;
    return home() / fallback;
}

} // namespace

fs::path configHome() { return fromEnvironment("XDG_CONFIG_HOME", ".config"); }
fs::path dataHome() { return fromEnvironment("XDG_DATA_HOME", ".local/share"); }
fs::path stateFolder() { return fromEnvironment("XDG_STATE_HOME", ".local/state") / "Slatewick"; }
fs::path settingsFolder() { return configHome() / "Slatewick"; }
fs::path applicationData() { return dataHome(); }

} // namespace slatewick::userfolders

#include "desktop/xdgautostart.h"

#include "platform/fileops.h"

#include <sstream>
#include <string>

namespace slatewick {

namespace {

// Exec values quote arguments that hold reserved characters; a path is quoted whole.
std::string quotedExec(const std::filesystem::path &program)
{
    std::string quoted = "\"";
    for (char c : program.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// TryExec is a plain string value: only the backslash needs escaping.
std::string escapedString(const std::filesystem::path &program)
{
    std::string escaped;
    for (char c : program.string())
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// On only while the entry starts this program: one naming another path (an old build
// folder, another install) counts as off, so it is rewritten. Desktops switch an entry
// off either way, and spaces around "=" are allowed.
bool startsProgram(const std::string &entry, const std::string &exec)
{
    bool startsThis = false;
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false"))
            return false;
        if (key == "Exec")
            startsThis = value == exec;
    }
    return startsThis;
}

} // namespace

XdgAutostart::XdgAutostart(std::filesystem::path autostartFolder, std::filesystem::path program)
    : m_folder(std::move(autostartFolder))
    , m_program(std::move(program))
{
}

bool XdgAutostart::isEnabled() const
{
    try {
        return startsProgram(fileops::readFile(entryPath()), quotedExec(m_program));
    } catch (const std::exception &) {
        return false;
    }
}

void XdgAutostart::registerItem()
{
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Slatewick\n"
                              "Comment=Safe, verified card offload in the background.\n"
                              "Exec=" + quotedExec(m_program) + "\n"
                              // An entry outliving the program (uninstalled, build folder gone) starts nothing.
                              "TryExec=" + escapedString(m_program) + "\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n";
    fileops::createDirectories(m_folder);
    fileops::atomicWrite(entryPath(), entry);
}

void XdgAutostart::unregisterItem()
{
    fileops::removeFileIfPresent(entryPath());
}

std::filesystem::path XdgAutostart::runningProgram()
{
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path("slatewick") : program;
}

} // namespace slatewick

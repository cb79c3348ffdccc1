#include "throttledcards.h"

#include "benchsupport.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace slatewick::bench {

namespace fs = std::filesystem;

namespace {

// Writes one line to a kernel file; gives the system's reason, or nothing.
std::string writeLine(const fs::path &file, const std::string &text)
{
    std::ofstream out(file);
    out << text << '\n';
    out.flush();
    return out ? std::string() : file.string() + ": " + std::strerror(errno);
}

std::string readText(const fs::path &file)
{
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// This process's path in the hierarchy named by `controller` in /proc/self/cgroup
// ("blkio" for v1, "" for the v2 line "0::/path").
std::string ownCgroup(const std::string &controller)
{
    std::istringstream lines(readText("/proc/self/cgroup"));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string names = line.substr(first + 1, second - first - 1);
        if (names == controller || ("," + names + ",").find("," + controller + ",") != std::string::npos
            || (controller.empty() && names.empty()))
            return line.substr(second + 1);
    }
    return "/";
}

std::string deviceNumbers(const std::string &device)
{
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0)
        return {};
    return std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

} // namespace

ThrottledCards::ThrottledCards(const fs::path &work, int count, std::int64_t imageMiB, std::int64_t bytesPerSecond)
{
    if (::geteuid() != 0) {
        m_why = "loop devices, mounts and a cgroup need root";
        return;
    }
    attach(work, count, imageMiB);
    if (m_why.empty())
        limit(bytesPerSecond);
    if (!m_why.empty())
        release();
}

ThrottledCards::~ThrottledCards()
{
    release();
}

void ThrottledCards::attach(const fs::path &work, int count, std::int64_t imageMiB)
{
    for (int i = 0; i < count; ++i) {
        const fs::path image = work / ("card" + std::to_string(i) + ".img");
        const fs::path root = work / ("card" + std::to_string(i));
        const fs::path name = work / "loop-name";
        // Direct I/O keeps the image's pages out of the page cache a second time.
        const std::string attachCommand = "truncate -s " + std::to_string(imageMiB) + "M " + shellQuoted(image)
                                          + " && { losetup -f --show --direct-io=on " + shellQuoted(image)
                                          + " || losetup -f --show " + shellQuoted(image) + "; } > "
                                          + shellQuoted(name) + " 2>/dev/null";
        std::string device;
        if (runShell(attachCommand).status == 0) {
            device = readText(name);
            device = device.substr(0, device.find('\n'));
        }
        if (device.empty()) {
            m_why = "no free loop device (losetup failed)";
            return;
        }
        m_devices.push_back(device);
        fs::create_directories(root);
        // Inode tables made now: a background initialisation would compete with the reads measured.
        const std::string makeCommand = "mkfs.ext4 -q -F -m 0 -E lazy_itable_init=0,lazy_journal_init=0 " + device
                                        + " >/dev/null 2>&1 && mount " + device + " " + shellQuoted(root)
                                        + " && rmdir " + shellQuoted(root / "lost+found");
        if (runShell(makeCommand).status != 0) {
            m_why = "could not make and mount an ext4 card on " + device;
            return;
        }
        m_roots.push_back(root);
    }
}

void ThrottledCards::limit(std::int64_t bytesPerSecond)
{
    const std::string name = "slatewick-bench-" + std::to_string(::getpid());
    std::vector<std::string> rules;
    fs::path limits;
    const fs::path v1 = "/sys/fs/cgroup/blkio";
    if (fs::exists(v1 / "blkio.throttle.read_bps_device")) {
        const fs::path parent = v1 / fs::path(ownCgroup("blkio")).relative_path();
        m_formerProcs = parent / "cgroup.procs";
        m_cgroup = parent / name;
        limits = m_cgroup / "blkio.throttle.read_bps_device";
        for (const std::string &device : m_devices)
            rules.push_back(deviceNumbers(device) + " " + std::to_string(bytesPerSecond));
        m_method = "cgroup v1 blkio.throttle.read_bps_device per loop device";
    } else if (readText("/sys/fs/cgroup/cgroup.controllers").find("io") != std::string::npos) {
        const fs::path parent = fs::path("/sys/fs/cgroup") / fs::path(ownCgroup("")).relative_path();
        // The io controller must be on for the children; a cgroup other than the
        // root that holds processes refuses it.
        if (const std::string failed = writeLine(parent / "cgroup.subtree_control", "+io"); !failed.empty()) {
            m_why = "the io controller cannot be enabled below this process's cgroup (" + failed + ")";
            return;
        }
        m_formerProcs = parent / "cgroup.procs";
        m_cgroup = parent / name;
        limits = m_cgroup / "io.max";
        for (const std::string &device : m_devices)
            rules.push_back(deviceNumbers(device) + " rbps=" + std::to_string(bytesPerSecond));
        m_method = "cgroup v2 io.max rbps per loop device";
    } else {
        m_why = "no cgroup with a read limit per device (neither v1 blkio nor the v2 io controller)";
        return;
    }
    std::error_code error;
    if (!fs::create_directory(m_cgroup, error)) {
        m_why = "cannot make the cgroup " + m_cgroup.string() + ": " + error.message();
        m_cgroup.clear();
        return;
    }
    for (const std::string &rule : rules) {
        if (const std::string failed = writeLine(limits, rule); !failed.empty()) {
            m_why = "the read limit was refused: " + failed;
            return;
        }
    }
    if (const std::string failed = writeLine(m_cgroup / "cgroup.procs", std::to_string(::getpid())); !failed.empty())
        m_why = "cannot join the cgroup: " + failed;
}

void ThrottledCards::release()
{
    if (!m_cgroup.empty()) {
        writeLine(m_formerProcs, std::to_string(::getpid()));
        ::rmdir(m_cgroup.c_str());
        m_cgroup.clear();
    }
    for (const fs::path &root : m_roots)
        runShell("umount " + shellQuoted(root));
    m_roots.clear();
    for (const std::string &device : m_devices)
        runShell("losetup -d " + device);
    m_devices.clear();
}

} // namespace slatewick::bench

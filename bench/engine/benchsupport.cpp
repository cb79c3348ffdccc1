#include "benchsupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <system_error>

extern char **environ;

namespace slatewick::bench {

namespace fs = std::filesystem;

namespace {

// Incompressible bytes, fast enough not to dominate the card's making.
class Filler {
public:
    void fill(char *bytes, std::size_t size)
    {
        auto *words = reinterpret_cast<std::uint64_t *>(bytes);
        for (std::size_t i = 0; i < size / 8; ++i) {
            std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            words[i] = z ^ (z >> 31);
        }
    }

private:
    std::uint64_t m_state = 42;
};

void writeRandomFile(const fs::path &file, std::int64_t size, Filler &filler, std::vector<char> &block)
{
    fs::create_directories(file.parent_path());
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), file.string());
    while (size > 0) {
        const std::size_t part = static_cast<std::size_t>(std::min<std::int64_t>(size, block.size()));
        filler.fill(block.data(), block.size());
        if (::write(fd, block.data(), part) != static_cast<ssize_t>(part))
            throw std::system_error(errno, std::generic_category(), file.string());
        size -= static_cast<std::int64_t>(part);
    }
    ::close(fd);
}

std::string folderName(int number, const char *suffix)
{
    char text[32];
    std::snprintf(text, sizeof text, "%03d%s", number, suffix);
    return text;
}

} // namespace

CardShape makeMixedCard(const fs::path &root, std::int64_t totalMiB)
{
    constexpr std::int64_t mib = 1 << 20;
    Filler filler;
    std::vector<char> block(4 << 20);
    CardShape shape;
    auto add = [&](const fs::path &file, std::int64_t size) {
        writeRandomFile(root / file, size, filler, block);
        ++shape.files;
        shape.bytes += size;
    };
    const std::int64_t clip = totalMiB * mib / 5;
    add("PRIVATE/M4ROOT/CLIP/C0001.MP4", clip);
    add("PRIVATE/M4ROOT/CLIP/C0002.MP4", clip);
    const std::int64_t pictures = totalMiB * mib * 58 / 100 / (3 * mib);
    for (std::int64_t i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04lld.JPG", static_cast<long long>(i + 1));
        add(fs::path("DCIM") / folderName(100 + static_cast<int>(i / 100), "CANON") / name, 3 * mib);
    }
    for (int i = 0; i < 2000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "THM_%04d.THM", i + 1);
        add(fs::path("MISC") / folderName(100 + i / 200, "THUMB") / name, 4096 + (i % 9) * 1024);
    }
    ::sync();
    return shape;
}

CardShape makeUniformCard(const fs::path &root, std::int64_t count, std::int64_t size)
{
    Filler filler;
    std::vector<char> block(static_cast<std::size_t>(std::max<std::int64_t>(size, 8)));
    CardShape shape;
    for (std::int64_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%05lld.JPG", static_cast<long long>(i + 1));
        writeRandomFile(root / "DCIM" / folderName(100 + static_cast<int>(i / 100), "CANON") / name, size, filler,
                        block);
        ++shape.files;
        shape.bytes += size;
    }
    ::sync();
    return shape;
}

void evictTree(const fs::path &root)
{
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

ChildRun runChild(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const auto &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    std::fflush(stdout); // the child's lines come after the parent's
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (const int error = ::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ))
        throw std::system_error(error, std::generic_category(), "spawn " + argv[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "wait4");
    }
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.status = status;
    return run;
}

ChildRun runShell(const std::string &command)
{
    return runChild({"/bin/sh", "-c", command});
}

std::string shellQuoted(const fs::path &path)
{
    std::string text = "'";
    for (char c : path.string()) {
        if (c == '\'')
            text += "'\\''";
        else
            text += c;
    }
    return text + "'";
}

fs::path selfPath()
{
    return fs::read_symlink("/proc/self/exe");
}

fs::path makeWorkFolder()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = (fs::path(tmp && *tmp ? tmp : "/var/tmp") / "slatewick-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

} // namespace slatewick::bench

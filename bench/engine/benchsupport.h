#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Helpers of the engine benchmarks: synthetic cards, page-cache eviction, and
// timed child processes whose peak memory is read from wait4().
namespace slatewick::bench {

struct CardShape {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
};

// A camera-like card of about totalMiB: two clips of a fifth of the size each,
// pictures of 3 MiB for most of the rest, and 2,000 small files of 4 to 12 KiB.
CardShape makeMixedCard(const std::filesystem::path &root, std::int64_t totalMiB);
// count files of size bytes each, 100 to a folder.
CardShape makeUniformCard(const std::filesystem::path &root, std::int64_t count, std::int64_t size);

// Flushes the tree and drops it from the page cache (like vmtouch -e).
void evictTree(const std::filesystem::path &root);

struct ChildRun {
    double seconds = 0;
    double peakMiB = 0; // ru_maxrss of the child
    int status = 0;
};
// Runs a program and waits for it; argv[0] is the program's path.
ChildRun runChild(const std::vector<std::string> &argv);
// Runs a /bin/sh command line.
ChildRun runShell(const std::string &command);

std::string shellQuoted(const std::filesystem::path &path);
std::filesystem::path selfPath();
// A fresh folder for a benchmark's trees, under $TMPDIR or /var/tmp.
std::filesystem::path makeWorkFolder();

} // namespace slatewick::bench

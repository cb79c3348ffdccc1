// The drain modes of engine_bench; filled in with the drain engine.
#include <cstdint>
#include <cstdio>
#include <filesystem>

int benchDrain(std::int64_t) { std::puts("drain: not built yet"); return 0; }
int benchConcurrent(std::int64_t) { std::puts("concurrent: not built yet"); return 0; }
int childDrain(const std::filesystem::path &, const std::filesystem::path &, const std::filesystem::path &) { return 1; }

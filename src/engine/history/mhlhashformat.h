#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace slatewick {

// The hash formats of an ASC MHL generation this program can compute, by element
// name: md5, sha1, c4, xxh32, xxh64, xxh3 (64-bit) and xxh128 (XXH3-128).
bool isKnownHashFormat(std::string_view format);

// The value of each asked known format for the bytes of an open file, read once
// from its start: lowercase hex of the canonical digest, or the C4 id.
// Throws FileSystemError naming path when it cannot be read.
std::map<std::string, std::string> fileHashesIn(int fd, const std::filesystem::path &path,
                                                const std::set<std::string> &formats);

// Whether two values of one format are the same hash (hex digits in either case).
bool sameHashValue(std::string_view format, std::string_view a, std::string_view b);

} // namespace slatewick

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace slatewick {

// One line of a checksum file: the hash as written and the file's relative path.
struct ChecksumEntry {
    std::string hex;
    std::string path;
    bool operator==(const ChecksumEntry &) const = default;
};

// Reads the text that checksumFileText writes (and xxh128sum reads): "<hex>  <path>"
// per line; a line starting with "\" holds a name with "\\" and "\n" escapes.
// A line of another form throws std::runtime_error naming its number.
std::vector<ChecksumEntry> parseChecksumText(std::string_view text);

} // namespace slatewick

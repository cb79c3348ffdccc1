#include "engine/files/checksumlist.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace slatewick {

namespace {

constexpr std::size_t hexDigits = 32;

std::runtime_error malformed(std::size_t lineNumber)
{
    return std::runtime_error("line " + std::to_string(lineNumber) + " of the checksum file is not a checksum line");
}

bool unescape(std::string_view escaped, std::string &name)
{
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            name += escaped[i];
            continue;
        }
        if (++i == escaped.size())
            return false;
        if (escaped[i] == '\\')
            name += '\\';
        else if (escaped[i] == 'n')
            name += '\n';
        else
            return false;
    }
    return true;
}

} // namespace

std::vector<ChecksumEntry> parseChecksumText(std::string_view text)
{
    std::vector<ChecksumEntry> entries;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty())
            continue;
        const bool escaped = line.front() == '\\';
        if (escaped)
            line.remove_prefix(1);
        if (line.size() < hexDigits + 3 || line.substr(hexDigits, 2) != "  ")
            throw malformed(lineNumber);
        const std::string_view hex = line.substr(0, hexDigits);
        if (!std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            throw malformed(lineNumber);
        ChecksumEntry entry{std::string(hex), {}};
        const std::string_view name = line.substr(hexDigits + 2);
        // A plain line's backslashes are part of the name, as xxh128sum reads them.
        if (!escaped)
            entry.path = name;
        else if (!unescape(name, entry.path))
            throw malformed(lineNumber);
        std::transform(entry.hex.begin(), entry.hex.end(), entry.hex.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace slatewick

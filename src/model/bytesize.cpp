#include "model/bytesize.h"

#include <array>
#include <cstdio>

namespace slatewick {

std::string formattedSize(std::int64_t bytes)
{
    // Free space less the room others reserved can fall below zero: none is left.
    if (bytes < 0)
        bytes = 0;
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static constexpr std::array<const char *, 6> units{"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000.0;
    std::size_t unit = 0;
    // 999.96 kB would print as "1000.0 kB": it is shown as the next unit instead.
    while (value >= 999.95 && unit + 1 < units.size()) {
        value /= 1000.0;
        ++unit;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f %s", value, units[unit]);
    return text.data();
}

} // namespace slatewick

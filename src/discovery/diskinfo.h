#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace slatewick {

// A property value of a disk description. Only text values are read; the
// other kinds exist so that a source can report what it has without lying.
using DiskValue = std::variant<std::string, std::int64_t, bool, double>;
using DiskInfo = std::map<std::string, DiskValue>;

// The text under the key; absent when the key is missing, the value is not
// text, or the text is empty.
std::optional<std::string> diskString(const DiskInfo &info, const std::string &key);

} // namespace slatewick

#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace slatewick {

// Raw bytes under a key: one file per key in a folder, written atomically.
// A missing file is a missing key; an empty file is an empty value.
class KeyValueStore {
public:
    explicit KeyValueStore(std::filesystem::path folder);

    std::optional<std::string> read(const std::string &key) const;
    // Throws FileSystemError when the value cannot be stored.
    void write(const std::string &key, std::string_view bytes) const;

    const std::filesystem::path &folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
};

} // namespace slatewick

#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <string>

struct XXH3_state_s;

namespace slatewick {

// An XXH3-128 content hash.
struct ContentHash {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    // 32 lower-case hex digits of the canonical (big-endian) form, as xxh128sum prints it.
    std::string hex() const;
    // The form hex() writes; nothing when the text is not 32 hex digits.
    static std::optional<ContentHash> fromHex(std::string_view text);
    bool operator==(const ContentHash &) const = default;
};

// Streaming XXH3-128 over the blocks of one file.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher &) = delete;
    ContentHasher &operator=(const ContentHasher &) = delete;

    void reset();
    void update(const void *bytes, std::size_t size);
    ContentHash digest() const;

private:
    XXH3_state_s *m_state;
};

} // namespace slatewick

#include "engine/files/contenthash.h"

#include <xxhash.h>

#include <new>

namespace slatewick {

std::optional<ContentHash> ContentHash::fromHex(std::string_view text)
{
    XXH128_canonical_t canonical;
    if (text.size() != 2 * sizeof canonical.digest)
        return std::nullopt;
    for (std::size_t at = 0; at < sizeof canonical.digest; ++at) {
        unsigned value = 0;
        for (char digit : text.substr(2 * at, 2)) {
            value <<= 4;
            if (digit >= '0' && digit <= '9')
                value |= static_cast<unsigned>(digit - '0');
            else if (digit >= 'a' && digit <= 'f')
                value |= static_cast<unsigned>(digit - 'a' + 10);
            else
                return std::nullopt;
        }
        canonical.digest[at] = static_cast<unsigned char>(value);
    }
    const XXH128_hash_t hash = XXH128_hashFromCanonical(&canonical);
    return ContentHash{hash.high64, hash.low64};
}

std::string ContentHash::hex() const
{
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH128_hash_t{low, high});
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * sizeof canonical.digest);
    for (unsigned char byte : canonical.digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

ContentHasher::ContentHasher()
    : m_state(XXH3_createState())
{
    if (!m_state)
        throw std::bad_alloc();
    reset();
}

ContentHasher::~ContentHasher()
{
    XXH3_freeState(m_state);
}

void ContentHasher::reset()
{
    XXH3_128bits_reset(m_state);
}

void ContentHasher::update(const void *bytes, std::size_t size)
{
    XXH3_128bits_update(m_state, bytes, size);
}

ContentHash ContentHasher::digest() const
{
    const XXH128_hash_t hash = XXH3_128bits_digest(m_state);
    return ContentHash{hash.high64, hash.low64};
}

} // namespace slatewick

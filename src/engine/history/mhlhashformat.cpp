#include "engine/history/mhlhashformat.h"

#include "engine/history/c4id.h"
#include "engine/files/contenthash.h"
#include "platform/fileops.h"

#include <nettle/md5.h>
#include <nettle/sha1.h>
#include <xxhash.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <memory>
#include <new>

namespace slatewick {

namespace {

// Earlier hashes of card files and C4 ids of generations: reads of this size keep a
// drain's memory small and cost little more than larger ones.
constexpr std::size_t bufferSize = 1 << 16;
constexpr std::array<std::string_view, 7> knownFormats{"md5", "sha1", "c4", "xxh32", "xxh64", "xxh3", "xxh128"};

std::string hexOf(const std::uint8_t *bytes, std::size_t size)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t at = 0; at < size; ++at) {
        text += digits[bytes[at] >> 4];
        text += digits[bytes[at] & 0xf];
    }
    return text;
}

// The canonical form of xxHash's shorter digests is the big-endian number.
std::string hexOf(std::uint64_t value, int digits)
{
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int at = digits - 1; at >= 0; --at, value >>= 4)
        text[static_cast<std::size_t>(at)] = "0123456789abcdef"[value & 0xf];
    return text;
}

struct StateFree {
    void operator()(XXH32_state_t *state) const { XXH32_freeState(state); }
    void operator()(XXH64_state_t *state) const { XXH64_freeState(state); }
    void operator()(XXH3_state_t *state) const { XXH3_freeState(state); }
};

} // namespace

bool isKnownHashFormat(std::string_view format)
{
    return std::find(knownFormats.begin(), knownFormats.end(), format) != knownFormats.end();
}

std::map<std::string, std::string> fileHashesIn(int fd, const std::filesystem::path &path,
                                                const std::set<std::string> &formats)
{
    md5_ctx md5;
    sha1_ctx sha1;
    C4Hasher c4;
    ContentHasher xxh128;
    const std::unique_ptr<XXH32_state_t, StateFree> xxh32(XXH32_createState());
    const std::unique_ptr<XXH64_state_t, StateFree> xxh64(XXH64_createState());
    const std::unique_ptr<XXH3_state_t, StateFree> xxh3(XXH3_createState());
    if (!xxh32 || !xxh64 || !xxh3)
        throw std::bad_alloc();
    md5_init(&md5);
    sha1_init(&sha1);
    XXH32_reset(xxh32.get(), 0);
    XXH64_reset(xxh64.get(), 0);
    XXH3_64bits_reset(xxh3.get());
    const auto wants = [&](const char *format) { return formats.count(format) != 0; };

    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize);
    while (const std::size_t got = fileops::readSome(fd, buffer.get(), bufferSize, path)) {
        const std::uint8_t *bytes = buffer.get();
        if (wants("md5"))
            md5_update(&md5, got, bytes);
        if (wants("sha1"))
            sha1_update(&sha1, got, bytes);
        if (wants("c4"))
            c4.update(bytes, got);
        if (wants("xxh32"))
            XXH32_update(xxh32.get(), bytes, got);
        if (wants("xxh64"))
            XXH64_update(xxh64.get(), bytes, got);
        if (wants("xxh3"))
            XXH3_64bits_update(xxh3.get(), bytes, got);
        if (wants("xxh128"))
            xxh128.update(bytes, got);
    }

    std::map<std::string, std::string> values;
    if (wants("md5")) {
        std::array<std::uint8_t, MD5_DIGEST_SIZE> digest{};
        md5_digest(&md5, digest.size(), digest.data());
        values["md5"] = hexOf(digest.data(), digest.size());
    }
    if (wants("sha1")) {
        std::array<std::uint8_t, SHA1_DIGEST_SIZE> digest{};
        sha1_digest(&sha1, digest.size(), digest.data());
        values["sha1"] = hexOf(digest.data(), digest.size());
    }
    if (wants("c4"))
        values["c4"] = c4.id();
    if (wants("xxh32"))
        values["xxh32"] = hexOf(XXH32_digest(xxh32.get()), 8);
    if (wants("xxh64"))
        values["xxh64"] = hexOf(XXH64_digest(xxh64.get()), 16);
    if (wants("xxh3"))
        values["xxh3"] = hexOf(XXH3_64bits_digest(xxh3.get()), 16);
    if (wants("xxh128"))
        values["xxh128"] = xxh128.digest().hex();
    return values;
}

bool sameHashValue(std::string_view format, std::string_view a, std::string_view b)
{
    if (format == "c4")
        return a == b;
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace slatewick

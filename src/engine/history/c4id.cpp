#include "engine/history/c4id.h"

#include <array>

namespace slatewick {

namespace {

constexpr std::size_t idDigits = 88;
constexpr char alphabet[] = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";

} // namespace

C4Hasher::C4Hasher()
{
    sha512_init(&m_context);
}

void C4Hasher::update(const void *bytes, std::size_t size)
{
    sha512_update(&m_context, size, static_cast<const std::uint8_t *>(bytes));
}

std::string C4Hasher::id()
{
    std::array<std::uint8_t, SHA512_DIGEST_SIZE> number{};
    sha512_digest(&m_context, number.size(), number.data());
    // Base 58 by long division of the big-endian digest, least significant digit first.
    std::string digits(idDigits, alphabet[0]);
    for (std::size_t at = idDigits; at-- > 0;) {
        unsigned remainder = 0;
        for (std::uint8_t &byte : number) {
            const unsigned value = remainder * 256 + byte;
            byte = static_cast<std::uint8_t>(value / 58);
            remainder = value % 58;
        }
        digits[at] = alphabet[remainder];
    }
    return "c4" + digits;
}

std::string c4Id(std::string_view bytes)
{
    C4Hasher hasher;
    hasher.update(bytes.data(), bytes.size());
    return hasher.id();
}

} // namespace slatewick

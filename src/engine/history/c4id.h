#pragma once

#include <nettle/sha2.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace slatewick {

// The C4 id of a stream of bytes: "c4" and the SHA-512 digest as a base58 number
// (no 0, O, I or l), left-padded with "1" to 88 digits. ASC MHL chains name
// their generations by it.
class C4Hasher {
public:
    C4Hasher();
    void update(const void *bytes, std::size_t size);
    std::string id(); // ends the stream; the hasher starts afresh

private:
    sha512_ctx m_context;
};

std::string c4Id(std::string_view bytes);

} // namespace slatewick

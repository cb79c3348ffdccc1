#pragma once

#include "engine/files/contenthash.h"

#include <cstddef>
#include <cstdint>

namespace slatewick {

// Hashes `count` zero bytes, as a hole of a sparse file reads.
void hashZeros(ContentHasher &hasher, std::uint64_t count);

// Reads an open file from its start to its end into the hasher. The holes of a
// sparse file are hashed as the zeros they read as, without reading them.
// Returns 0, or the errno of the read that failed: a partial hash is no hash.
int hashWholeFile(int fd, ContentHasher &hasher, char *buffer, std::size_t bufferSize);

} // namespace slatewick

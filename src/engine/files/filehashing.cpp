#include "engine/files/filehashing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace slatewick {

namespace {
constexpr std::size_t zeroBlock = 1 << 20;
} // namespace

void hashZeros(ContentHasher &hasher, std::uint64_t count)
{
    static const auto zeros = std::make_unique<char[]>(zeroBlock);
    while (count > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, zeroBlock));
        hasher.update(zeros.get(), piece);
        count -= piece;
    }
}

int hashWholeFile(int fd, ContentHasher &hasher, char *buffer, std::size_t bufferSize)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    const bool sparse = st.st_blocks * 512 < st.st_size;
    off_t at = 0;
    for (;;) {
        if (sparse) {
            const off_t data = ::lseek(fd, at, SEEK_DATA);
            if (data < 0 && errno != ENXIO)
                return errno;
            // Past the last data the rest is a hole up to the size read now.
            const off_t end = data < 0 ? std::max<off_t>(at, ::lseek(fd, 0, SEEK_END)) : data;
            if (end > at) {
                hashZeros(hasher, static_cast<std::uint64_t>(end - at));
                at = end;
            }
            if (::lseek(fd, at, SEEK_SET) < 0)
                return errno;
        }
        const ssize_t got = ::read(fd, buffer, bufferSize);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        hasher.update(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

} // namespace slatewick

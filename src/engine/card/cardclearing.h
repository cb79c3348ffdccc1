#pragma once

#include "engine/files/filestamp.h"
#include "engine/files/inventory.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace slatewick {

// True for the four top-level names a card keeps: .DS_Store, .Spotlight-V100,
// .fseventsd and .Trashes.
bool isProtectedCardEntry(std::string_view name);

struct ClearingOutcome {
    // Visible files left on the card: not listed, or changed since they were copied.
    std::int64_t filesLeft = 0;
    bool cleared() const { return filesLeft == 0; }
};

// Empties a card through a descriptor of its root, removing only what is safe in
// the cache: a visible regular file goes only if it was listed and still has the
// stamp it was copied with (see FileStamp). Hidden entries, links and other
// entries that are not files (never copied by design) go, except the protected
// top-level names; a folder goes once nothing is left in it. Nothing is followed
// through a link. Files copied beside the listing (a card's own history, by
// relative path) go on the same terms. root names the card in messages only.
// Throws FileSystemError when an entry cannot be listed or removed (entries
// before it stay removed).
ClearingOutcome clearCard(int rootFd, const std::filesystem::path &root, const Inventory &listing,
                          const std::vector<FileStamp> &copied,
                          const std::map<std::string, FileStamp> &alsoCopied = {});

} // namespace slatewick

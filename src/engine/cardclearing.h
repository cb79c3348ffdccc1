#pragma once

#include <filesystem>
#include <string_view>

namespace slatewick {

// True for the four top-level names a card keeps: .DS_Store, .Spotlight-V100,
// .fseventsd and .Trashes.
bool isProtectedCardEntry(std::string_view name);

// Empties a card's top level except for the protected entries: hidden entries
// go too, folders with everything in them, for good (no trash). A link is removed
// as a link, so nothing outside the card is touched. Throws FileSystemError when
// the top level cannot be listed (nothing removed) or at the first entry that
// cannot be removed (earlier entries stay removed).
void clearCard(const std::filesystem::path &root);

} // namespace slatewick

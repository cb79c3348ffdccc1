#pragma once

#include "engine/files/contenthash.h"
#include "engine/files/filestamp.h"
#include "engine/files/inventory.h"
#include "engine/history/mhlhistory.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// The ASC MHL history of a drain's two batch folders.

// A card's own history at its root, read before anything is copied; nothing when
// it has none. Throws DrainError::notAHistory when its top-level ascmhl is not one.
std::optional<MhlHistory> readCardHistory(int cardRootFd, const std::filesystem::path &card);

// In the verified cache batch: the card's own history copied and checked by its
// C4 ids, then one generation for the listed files (their card hashes, sizes and
// times): "original", or "verified"/"failed" against the card's history, in the
// format its newest record of the file has. Gives the files recorded "failed".
// Throws DrainError::verificationFailed when a copied generation reads back
// otherwise, FileSystemError when something cannot be written or read.
std::vector<std::string> recordCacheHistory(const std::filesystem::path &cacheBatch,
                                            const std::optional<MhlHistory> &cardHistory, const Inventory &listing,
                                            const std::vector<ContentHash> &hashes,
                                            const std::vector<FileStamp> &stamps);

// In the verified server batch: the cache batch's history copied and checked by
// its C4 ids, and one generation more recording every file "verified". A cache
// batch without a history (cached before there were any) gets its first one.
// Throws MhlHistoryError when the cache's history is not valid.
void recordServerHistory(const std::filesystem::path &cacheBatch, const std::filesystem::path &serverBatch,
                         const Inventory &listing, const std::vector<ContentHash> &hashes);

// The files of a card's history as they were read, for clearing them with the card.
std::map<std::string, FileStamp> historyFiles(const std::optional<MhlHistory> &history);

} // namespace slatewick

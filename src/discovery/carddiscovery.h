#pragma once

#include "discovery/volumesource.h"
#include "model/insertedcard.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

// Lists the mounted removable cards and describes a mounted volume as a
// card with the fingerprint of its reader slot. Keeps no state between
// calls and never fails: what cannot be learned falls back to fixed texts.
class CardDiscovery {
public:
    CardDiscovery(); // the real source
    explicit CardDiscovery(std::shared_ptr<const VolumeSource> source);

    // Removable or ejectable volumes, ordered by name as a file browser would.
    std::vector<InsertedCard> removableCards() const;
    // The mounted volumes described, from this table where one was just read.
    std::vector<VolumeFacts> volumes(const std::optional<std::vector<MountEntry>> &table) const;
    // The removable or ejectable ones of these, in table order: ordering them reads the process's locale,
    // which a worker thread still running as the program exits must not touch.
    std::vector<InsertedCard> removableCards(const std::vector<VolumeFacts> &volumes) const;
    // Any volume as a card, removable or not, named after its mount point when it has no name.
    InsertedCard card(const VolumeFacts &volume) const;
    // Without a display name the card is named after its mount point.
    std::optional<InsertedCard> make(const std::filesystem::path &url,
                                     const std::optional<std::string> &displayName) const;

private:
    DiskInfo diskInfo(const std::filesystem::path &mountPoint) const;
    static InsertedCard cardOf(const std::filesystem::path &url, const std::optional<std::string> &displayName,
                               const DiskInfo &info);

    std::shared_ptr<const VolumeSource> m_source;
};

} // namespace slatewick

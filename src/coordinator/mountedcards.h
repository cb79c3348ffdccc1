#pragma once

#include "coordinator/backgroundtask.h"
#include "discovery/mountentry.h"
#include "model/insertedcard.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace slatewick {

class CardDiscovery;

// The mounted cards, described on a background task: udev, sysfs and a
// superblock are read there, and the mounted file systems never, so a card
// whose FUSE daemon hangs holds up neither the main thread nor the next look.
// The table is the one the mount monitor read last, where there is one.
class MountedCards final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MountedCards)

public:
    struct Reading {
        std::vector<InsertedCard> removable;
        // The cards of mounts reported since the last reading that are still mounted, in order.
        std::vector<InsertedCard> mounted;
        std::uint64_t ask = 0; // the number refresh() gave for the ask this answers
    };
    using Answered = std::function<void(Reading)>;

    MountedCards(std::shared_ptr<const CardDiscovery> discovery, Answered answered, QObject *parent = nullptr);

    // Describes the cards again, now or right after the look under way; the number of this ask.
    std::uint64_t refresh();
    // The visible volumes as the monitor just read them.
    void tableRead(std::vector<MountEntry> volumes) { m_table = std::move(volumes); }
    // A volume mounted: its card comes with the next answer.
    void mounted(const MountEntry &entry);
    // A volume went before its card was described: it is not handed on.
    void unmounted(const std::string &mountKey);
    // Until the answer to the last ask is in.
    bool loading() const { return m_scan.running(); }

private:
    struct Scan {
        std::vector<InsertedCard> removable;
        std::vector<InsertedCard> mounted;
        std::vector<std::string> described; // the keys of the mounts asked about
        std::uint64_t ask;
    };

    void answer(Scan scan);

    std::shared_ptr<const CardDiscovery> m_discovery;
    Answered m_answered;
    std::optional<std::vector<MountEntry>> m_table;
    std::vector<MountEntry> m_awaited;
    std::uint64_t m_asks = 0;
    BackgroundTask<Scan> m_scan;
};

} // namespace slatewick

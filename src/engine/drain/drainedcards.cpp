// Knowing a card again: a start must not drain once more a card it drained before.
#include "engine/drain/drainengine.h"

#include "engine/card/cardidentity.h"
#include "engine/files/inventory.h"
#include "platform/uniquefd.h"

#include <fcntl.h>

#include <algorithm>

namespace slatewick {

namespace {

bool countsAsDrained(BatchState state)
{
    return state == BatchState::cached || state == BatchState::sending || state == BatchState::onServer
           || state == BatchState::freed;
}

std::vector<CardFile> sorted(std::vector<CardFile> files)
{
    std::sort(files.begin(), files.end(), [](const CardFile &a, const CardFile &b) { return a.path < b.path; });
    return files;
}

} // namespace

std::optional<BatchRecord> DrainEngine::alreadyDrained(const InsertedCard &card) const
{
    if (!m_ledger.enabled())
        return std::nullopt;
    const UniqueFd root(::open(card.url.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root)
        return std::nullopt;
    const std::string serial = CardIdentity::of(root.get(), m_options.useUniqueMountIds).serial;
    if (serial.empty())
        return std::nullopt; // a card that cannot be told from others drains as written
    std::vector<BatchRecord> records = m_ledger.all();
    std::erase_if(records, [&](const BatchRecord &record) {
        return record.cardSerial != serial || !countsAsDrained(record.state);
    });
    if (records.empty())
        return std::nullopt;
    std::vector<CardFile> now;
    try {
        walkTree(root.get(), card.url, [&](const std::string &path, const struct stat &status) {
            now.push_back({path, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec});
        });
    } catch (const std::exception &) {
        return std::nullopt; // what cannot be read is drained, and fails there with the reason
    }
    now = sorted(std::move(now));
    // The newest batch of the card first: it is the one the card last went into.
    const auto listedThen = [&](const BatchRecord &record) {
        try {
            return sorted(m_ledger.cardFiles(record.id));
        } catch (const std::exception &) {
            return std::vector<CardFile>(); // no listing kept: only an emptied card is known again
        }
    };
    for (auto record = records.rbegin(); record != records.rend(); ++record) {
        if (now.empty() ? record->facts.cardCleared : listedThen(*record) == now)
            return *record;
    }
    return std::nullopt;
}

} // namespace slatewick

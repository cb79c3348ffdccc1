// Slot selection: which reader slots are watched, decided by fingerprint alone.
#include "coordinator/drainmodel.h"

#include "discovery/carddiscovery.h"

#include <algorithm>

namespace slatewick {

void DrainModel::refreshCards()
{
    setRemovableCards(m_collaborators.discovery->removableCards());
}

bool DrainModel::isWatched(const InsertedCard &card) const
{
    return std::any_of(m_settings.watchedSlots.begin(), m_settings.watchedSlots.end(),
                       [&](const CardSlot &slot) { return slot.fingerprint == card.fingerprint; });
}

void DrainModel::toggleSlot(const InsertedCard &card)
{
    editSettings([&](DrainSettings &settings) {
        auto &watched = settings.watchedSlots;
        auto first = std::find_if(watched.begin(), watched.end(),
                                  [&](const CardSlot &slot) { return slot.fingerprint == card.fingerprint; });
        if (first != watched.end())
            watched.erase(first);
        else
            watched.push_back(card.slot());
    });
    if (!isWatched(card))
        return;
    forgetEndedDrain(card);
    handleMount(card);
}

void DrainModel::removeSlot(const CardSlot &slot)
{
    editSettings([&](DrainSettings &settings) {
        std::erase_if(settings.watchedSlots, [&](const CardSlot &watched) { return watched.id() == slot.id(); });
    });
}

} // namespace slatewick

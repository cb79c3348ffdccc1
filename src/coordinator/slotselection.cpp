// Slot selection: the cards mounted, and which reader slots are watched, decided by fingerprint alone.
#include "coordinator/drainmodel.h"

#include <algorithm>

namespace slatewick {

void DrainModel::refreshCards()
{
    m_cards->refresh();
}

// The first answer is the cards there at start: one of them drained before is left alone.
void DrainModel::cardsRead(MountedCards::Reading reading)
{
    if (reading.ask == 1) {
        for (const InsertedCard &card : reading.removable)
            m_mountedAtStart.insert(JobId::of(card));
    }
    setRemovableCards(std::move(reading.removable));
    for (const InsertedCard &card : reading.mounted)
        handleMount(card);
    if (m_handleMountedFrom && reading.ask >= *m_handleMountedFrom) {
        m_handleMountedFrom.reset();
        const std::vector<InsertedCard> cards = m_removableCards;
        for (const InsertedCard &card : cards)
            handleMount(card);
    }
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

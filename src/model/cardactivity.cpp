#include "model/cardactivity.h"

namespace slatewick {

CardActivity::CardActivity(const InsertedCard &card, DrainPhase phase, double progress, std::string detail)
    : cardId(card.id())
    , cardName(card.displayName)
    , phase(phase)
    , progress(progress)
    , detail(std::move(detail))
{
}

} // namespace slatewick

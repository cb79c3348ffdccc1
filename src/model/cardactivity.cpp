#include "model/cardactivity.h"

namespace slatewick {

CardActivity::CardActivity(const InsertedCard &card, DrainPhase phase, double progress, std::string detail)
    : id(card.id())
    , cardName(card.displayName)
    , phase(phase)
    , progress(progress)
    , detail(std::move(detail))
{
}

std::string CardActivity::title() const
{
    switch (state) {
    case RowState::copiedNotCleared:
        return "Copied — card not cleared";
    case RowState::waitingForServerFolder:
        return "Waiting for the server folder";
    case RowState::pendingServerCopy:
    case RowState::pendingOtherFolder:
        return "Waiting for the server";
    case RowState::pendingBroken:
    case RowState::pendingGone:
        return "Not sent to the server";
    case RowState::skipped:
        return "Skipped";
    case RowState::alreadyDrained:
        return "Already drained";
    case RowState::plain:
    case RowState::gracePeriod:
        break;
    }
    return std::string(displayText(phase));
}

} // namespace slatewick

#include "model/drainerror.h"

#include "model/bytesize.h"

namespace slatewick {

namespace {
std::string describe(DrainError::Kind kind, const std::string &location)
{
    switch (kind) {
    case DrainError::Kind::verificationFailed:
        return "The copied files at " + location + " did not match the source.";
    case DrainError::Kind::sourceUnavailable:
        return "The card was removed before draining could finish.";
    case DrainError::Kind::remoteUnavailable:
        return "The card is safely cached, but the remote server folder is currently unavailable.";
    case DrainError::Kind::noFiles:
        return "No transferable files were found on the card.";
    case DrainError::Kind::unsafeTemplate:
        return "The naming template produced an unsafe folder name.";
    case DrainError::Kind::cacheChanged:
        return "The cache batch " + location + " no longer matches what was read from the card, so it is not sent.";
    case DrainError::Kind::cacheGone:
        return "The cache batch " + location + " is gone, so there is nothing left to send.";
    case DrainError::Kind::changedWhileRead:
        return "The file " + location + " changed on the card while it was being copied, so nothing was cleared. "
               "Insert the card again to drain it.";
    case DrainError::Kind::reservedName:
        return "The card holds " + location + " at its top level, a name Slatewick keeps for its own records. "
               "Rename or move it, then put the card in again.";
    case DrainError::Kind::notAHistory:
        return "The entry ascmhl at the top of the card is not an ASC MHL history: " + location
               + ". Nothing was copied; the card is untouched.";
    case DrainError::Kind::noRoom:
    case DrainError::Kind::nestedBatch:
        break; // written by their makers, with both figures or both folders
    }
    return {};
}
} // namespace

DrainError::DrainError(Kind kind, std::string location, std::string sentence)
    : std::runtime_error(sentence.empty() ? describe(kind, location) : sentence)
    , m_kind(kind)
    , m_location(std::move(location))
{
}

DrainError DrainError::cacheChanged(std::string cacheBatch, BatchCheck changes)
{
    DrainError error(Kind::cacheChanged, std::move(cacheBatch));
    error.m_changes = std::make_shared<const BatchCheck>(std::move(changes));
    return error;
}

DrainError DrainError::cacheGone(std::string cacheBatch)
{
    return DrainError(Kind::cacheGone, std::move(cacheBatch));
}

DrainError DrainError::changedWhileRead(std::string relativePath)
{
    return DrainError(Kind::changedWhileRead, std::move(relativePath));
}

DrainError DrainError::noRoom(std::string location, std::int64_t needed, std::int64_t available)
{
    const std::string figures =
        "needs " + formattedSize(needed) + ", " + formattedSize(available) + " free on the " + location;
    const std::string sentence =
        location == "local cache"
            ? "Not enough room: the card " + figures + ". Nothing was copied; the card is untouched."
            : "The card is safely cached, but there is not enough room: the batch " + figures + ".";
    DrainError error(Kind::noRoom, std::move(location), sentence);
    error.m_needed = needed;
    error.m_available = available;
    return error;
}

DrainError DrainError::reservedName(std::string fileName)
{
    return DrainError(Kind::reservedName, std::move(fileName));
}

DrainError DrainError::nestedBatch(std::string outer, const std::string &inner, bool onServer)
{
    const std::string sentence =
        onServer ? "On the server its batch would go to " + inner + ", inside the batch " + outer
                       + "; it waits in the local cache until the naming template or the server folder changes."
                 : "The naming template puts this card's batch at " + inner + ", inside the batch " + outer
                       + ". Nothing was copied and the card is untouched; change the template so that batches "
                         "stand side by side.";
    DrainError error(Kind::nestedBatch, std::move(outer), sentence);
    error.m_inner = inner;
    error.m_onServer = onServer;
    return error;
}

DrainError DrainError::notAHistory(std::string why)
{
    return DrainError(Kind::notAHistory, std::move(why));
}

DrainError DrainError::verificationFailed(std::string location)
{
    return DrainError(Kind::verificationFailed, std::move(location));
}

} // namespace slatewick

#include "engine/records/pendingcause.h"

#include "model/drainerror.h"
#include "platform/filesystemerror.h"

namespace slatewick {

PendingCause PendingCause::of(const std::exception &failure)
{
    PendingCause cause;
    cause.message = failure.what();
    if (const auto *error = dynamic_cast<const FileSystemError *>(&failure))
        cause.failure = std::make_shared<const FileSystemError>(*error);
    if (const auto *error = dynamic_cast<const DrainError *>(&failure)) {
        cause.failure = std::make_shared<const DrainError>(*error);
        cause.kind = Kind::drainFailed;
        switch (error->kind()) {
        case DrainError::Kind::remoteUnavailable:
            cause.kind = Kind::serverMissing;
            break;
        case DrainError::Kind::noRoom:
            cause.kind = Kind::noRoom;
            cause.needed = error->needed();
            cause.available = error->available();
            break;
        case DrainError::Kind::nestedBatch:
            cause.kind = Kind::nestedBatch;
            break;
        default:
            break;
        }
    }
    return cause;
}

} // namespace slatewick

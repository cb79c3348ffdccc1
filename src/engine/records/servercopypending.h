#pragma once

#include "engine/records/batchrecord.h"
#include "engine/records/pendingcause.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace slatewick {

// The server copy of a verified cache batch did not end verified; the batch
// waits in the cache and is sent when the server folder answers. cause() tells
// why in typed facts; rethrowCause() rethrows the failure itself.
class ServerCopyPending final : public std::runtime_error {
public:
    ServerCopyPending(const std::exception &failure, std::exception_ptr cause, BatchRecord record)
        : std::runtime_error(failure.what())
        , m_cause(std::move(cause))
        , m_typedCause(PendingCause::of(failure))
        , m_record(std::move(record))
    {
    }
    const BatchRecord &record() const { return m_record; }
    const PendingCause &cause() const { return m_typedCause; }
    [[noreturn]] void rethrowCause() const { std::rethrow_exception(m_cause); }

private:
    std::exception_ptr m_cause;
    PendingCause m_typedCause;
    BatchRecord m_record;
};

} // namespace slatewick

#pragma once

#include "engine/records/batchrecord.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace slatewick {

// The server copy of a verified cache batch did not end verified; the batch
// waits in the cache and is sent when the server folder answers. what() is the
// cause; cause() rethrows it, so its kind (a full server, say) is kept.
class ServerCopyPending final : public std::runtime_error {
public:
    ServerCopyPending(const std::string &what, std::exception_ptr cause, BatchRecord record)
        : std::runtime_error(what)
        , m_cause(std::move(cause))
        , m_record(std::move(record))
    {
    }
    const BatchRecord &record() const { return m_record; }
    [[noreturn]] void rethrowCause() const { std::rethrow_exception(m_cause); }

private:
    std::exception_ptr m_cause;
    BatchRecord m_record;
};

} // namespace slatewick

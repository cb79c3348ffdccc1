#include "engine/records/fairlock.h"

namespace slatewick {

void FairLock::lock()
{
    std::unique_lock guard(m_mutex);
    const std::uint64_t ticket = m_nextTicket++;
    m_turn.wait(guard, [&] { return m_serving == ticket; });
}

void FairLock::unlock()
{
    {
        std::lock_guard guard(m_mutex);
        ++m_serving;
    }
    m_turn.notify_all();
}

} // namespace slatewick

#include "coordinator/backgroundtask.h"

#include <system_error>
#include <thread>

namespace slatewick {

bool startUnjoinedThread(std::function<void()> run)
{
    try {
        std::thread(std::move(run)).detach();
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

} // namespace slatewick

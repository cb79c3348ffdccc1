#include "coordinator/serverfolderwatch.h"

#include <fcntl.h>

#include <chrono>

namespace slatewick {

namespace {
constexpr auto recheckEvery = std::chrono::seconds(5);
} // namespace

ServerFolderWatch::ServerFolderWatch(std::filesystem::path stateFolder, QObject *parent)
    : QObject(parent)
    , m_stateFolder(std::move(stateFolder))
{
    restartCheck();
    m_timer.setInterval(recheckEvery);
    connect(&m_timer, &QTimer::timeout, this, &ServerFolderWatch::check);
    m_timer.start();
}

void ServerFolderWatch::setFolder(const std::filesystem::path &folder, bool chosen)
{
    if (folder == m_folder && !chosen && (m_availability || m_check->running()))
        return;
    m_folder = folder;
    restartCheck();
    m_record = chosen;
    const bool changed = m_availability.has_value();
    m_availability.reset();
    if (changed)
        emit availabilityChanged();
    check();
}

void ServerFolderWatch::check()
{
    const ServerFolder folder(m_folder, m_stateFolder);
    m_check->request([folder, record = m_record]() -> Answer {
        if (record) {
            // Chosen just now: whatever it lies on is the server.
            if (const UniqueFd fd(::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); fd) {
                try {
                    folder.record(fd.get());
                } catch (const std::exception &) {
                    // Without a record, existence stays the test.
                }
            }
        }
        return {folder.path(), record, folder.availability()};
    });
}

void ServerFolderWatch::restartCheck()
{
    m_check.emplace([this](const Answer &answered) { answer(answered); });
}

// An answer about a folder no longer chosen is dropped; the check asked since answers for the new one.
void ServerFolderWatch::answer(const Answer &answered)
{
    if (answered.folder != m_folder)
        return;
    if (answered.recorded)
        m_record = false;
    const bool changed = m_availability != answered.availability;
    m_availability = answered.availability;
    if (changed)
        emit availabilityChanged();
}

} // namespace slatewick

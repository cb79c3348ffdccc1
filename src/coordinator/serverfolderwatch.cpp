#include "coordinator/serverfolderwatch.h"

#include "coordinator/detachedwork.h"
#include "coordinator/reportchannel.h"

#include <fcntl.h>

#include <chrono>

namespace slatewick {

namespace {
constexpr auto recheckEvery = std::chrono::seconds(5);
} // namespace

ServerFolderWatch::ServerFolderWatch(std::filesystem::path stateFolder, QObject *parent)
    : QObject(parent)
    , m_stateFolder(std::move(stateFolder))
    , m_channel(std::make_shared<ReportChannel>(this))
{
    m_timer.setInterval(recheckEvery);
    connect(&m_timer, &QTimer::timeout, this, &ServerFolderWatch::check);
    m_timer.start();
}

ServerFolderWatch::~ServerFolderWatch()
{
    m_channel->abandon();
}

void ServerFolderWatch::setFolder(const std::filesystem::path &folder, bool chosen)
{
    if (folder == m_folder && !chosen && (m_availability || m_checking))
        return;
    m_folder = folder;
    ++m_generation;
    m_checking = false;
    const bool changed = m_availability.has_value();
    m_availability.reset();
    if (changed)
        emit availabilityChanged();
    start(chosen);
}

void ServerFolderWatch::check()
{
    if (m_checking) {
        m_checkAgain = true;
        return;
    }
    start(false);
}

void ServerFolderWatch::start(bool record)
{
    m_checking = true;
    m_checkAgain = false;
    const ServerFolder folder(m_folder, m_stateFolder);
    m_checking = runDetached([folder, record, generation = m_generation, channel = m_channel, self = this] {
        Availability availability = Availability::missing;
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
        availability = folder.availability();
        channel->post([self, generation, availability] { self->answer(generation, availability); });
    });
}

void ServerFolderWatch::answer(std::uint64_t generation, Availability availability)
{
    if (generation != m_generation)
        return;
    m_checking = false;
    const bool changed = m_availability != availability;
    m_availability = availability;
    if (changed)
        emit availabilityChanged();
    if (m_checkAgain)
        start(false);
}

} // namespace slatewick

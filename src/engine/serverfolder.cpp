#include "engine/serverfolder.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>


namespace slatewick {

namespace fs = std::filesystem;

ServerFolder::ServerFolder(fs::path folder, fs::path stateFolder)
    : m_folder(std::move(folder))
    , m_recordFile(stateFolder.empty() ? fs::path() : stateFolder / "server-folder.json")
{
}

std::optional<MountFacts> ServerFolder::recorded() const
{
    if (m_recordFile.empty() || !fileops::exists(m_recordFile))
        return std::nullopt;
    try {
        const nlohmann::json record = nlohmann::json::parse(fileops::readFile(m_recordFile));
        // A record of a folder chosen before says nothing of this one.
        if (record.at("folder").get<std::string>() != m_folder.string())
            return std::nullopt;
        MountFacts facts;
        facts.source = record.at("source").get<std::string>();
        facts.type = record.at("type").get<std::string>();
        return facts;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

UniqueFd ServerFolder::open() const
{
    Availability availability = Availability::missing;
    return open(availability);
}

ServerFolder::Availability ServerFolder::availability() const
{
    Availability availability = Availability::missing;
    open(availability);
    return availability;
}

UniqueFd ServerFolder::open(Availability &availability) const
{
    availability = Availability::missing;
    if (m_folder.empty())
        return {};
    UniqueFd fd(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return {};
    if (const std::optional<MountFacts> expected = recorded()) {
        const std::optional<MountFacts> now = mountFactsOf(fd.get());
        if (!now || now->source != expected->source || now->type != expected->type) {
            availability = Availability::elsewhere;
            return {};
        }
    }
    availability = Availability::available;
    return fd;
}

void ServerFolder::record(int folderFd) const
{
    if (m_recordFile.empty())
        return;
    const std::optional<MountFacts> facts = mountFactsOf(folderFd);
    if (!facts)
        return;
    const nlohmann::json record{{"version", 1}, {"folder", m_folder.string()}, {"source", facts->source},
                                {"type", facts->type}};
    fileops::createDirectories(m_recordFile.parent_path());
    fileops::atomicWrite(m_recordFile, record.dump(2) + "\n");
}

} // namespace slatewick

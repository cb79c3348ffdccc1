#include "engine/records/serverfolder.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <xxhash.h>

#include <cstdio>


namespace slatewick {

namespace fs = std::filesystem;

namespace {

// One record per folder, named by a hash of its path.
fs::path recordFileOf(const fs::path &stateFolder, const fs::path &folder)
{
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.json",
                  static_cast<unsigned long long>(XXH3_64bits(folder.c_str(), folder.native().size())));
    return stateFolder / "server-folders" / name;
}

std::optional<MountFacts> readRecord(const fs::path &file, const fs::path &folder)
{
    if (!fileops::exists(file))
        return std::nullopt;
    try {
        const nlohmann::json record = nlohmann::json::parse(fileops::readFile(file));
        // A record of another folder says nothing of this one.
        if (record.at("folder").get<std::string>() != folder.string())
            return std::nullopt;
        MountFacts facts;
        facts.source = record.at("source").get<std::string>();
        facts.type = record.at("type").get<std::string>();
        return facts;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

} // namespace

ServerFolder::ServerFolder(fs::path folder, fs::path stateFolder, std::optional<MountFacts> expected)
    : m_folder(std::move(folder))
    , m_stateFolder(std::move(stateFolder))
    , m_expected(std::move(expected))
{
}

std::optional<MountFacts> ServerFolder::recorded() const
{
    if (m_expected)
        return m_expected;
    if (m_stateFolder.empty())
        return std::nullopt;
    if (std::optional<MountFacts> facts = readRecord(recordFileOf(m_stateFolder, m_folder), m_folder))
        return facts;
    // The single record of earlier versions still speaks for its folder.
    return readRecord(m_stateFolder / "server-folder.json", m_folder);
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
    if (m_stateFolder.empty())
        return;
    const std::optional<MountFacts> facts = mountFactsOf(folderFd);
    if (!facts)
        return;
    const nlohmann::json record{{"version", 1}, {"folder", m_folder.string()}, {"source", facts->source},
                                {"type", facts->type}};
    const fs::path file = recordFileOf(m_stateFolder, m_folder);
    fileops::createDirectories(file.parent_path());
    fileops::atomicWrite(file, record.dump(2) + "\n");
}

} // namespace slatewick

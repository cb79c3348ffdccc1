#include "engine/history/mhlhistory.h"

#include "engine/history/c4id.h"
#include "engine/history/mhlhashformat.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <cerrno>
#include <memory>
#include <set>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr const char *generationNamespace = "urn:ASC:MHL:v2.0";
constexpr const char *directoryNamespace = "urn:ASC:MHL:DIRECTORY:v2.0";

std::string localName(const pugi::xml_node &node)
{
    const std::string name = node.name();
    const std::size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

// The namespace a node's name is in, from the declarations on it and above it.
std::string namespaceOf(const pugi::xml_node &node)
{
    const std::string name = node.name();
    const std::size_t colon = name.find(':');
    const std::string declaration = colon == std::string::npos ? "xmlns" : "xmlns:" + name.substr(0, colon);
    for (pugi::xml_node at = node; at; at = at.parent())
        if (const pugi::xml_attribute attribute = at.attribute(declaration.c_str()))
            return attribute.value();
    return {};
}

std::vector<pugi::xml_node> childrenNamed(const pugi::xml_node &node, const std::string &name)
{
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && localName(child) == name)
            found.push_back(child);
    return found;
}

pugi::xml_node childNamed(const pugi::xml_node &node, const std::string &name)
{
    const std::vector<pugi::xml_node> found = childrenNamed(node, name);
    return found.empty() ? pugi::xml_node() : found.front();
}

// The root element of a document in the namespace, or why it is not there.
pugi::xml_node rootOf(pugi::xml_document &document, const std::string &bytes, const std::string &what,
                      const char *name, const char *xmlNamespace)
{
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed)
        throw MhlHistoryError(what + " is not XML (" + parsed.description() + ")");
    const pugi::xml_node root = document.document_element();
    if (localName(root) != name || namespaceOf(root) != xmlNamespace)
        throw MhlHistoryError(what + " is not an ASC MHL " + (std::string(name) == "hashlist" ? "generation" : "chain"));
    return root;
}

MhlHistory::File readHistoryFile(int folderFd, const std::string &name, const fs::path &path, bool keepBytes)
{
    // O_NONBLOCK: a FIFO in a file's place must not hang the read.
    const UniqueFd fd(::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd && errno == ENOENT)
        throw MhlHistoryError("it has no " + name);
    if (!fd && errno == ELOOP)
        throw MhlHistoryError(name + " is a link");
    if (!fd)
        FileSystemError::throwLast("read", path);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        FileSystemError::throwLast("read", path);
    if (!S_ISREG(status.st_mode))
        throw MhlHistoryError(name + " is not a file");
    MhlHistory::File file{name, {}, {}, FileStamp::of(status)};
    C4Hasher c4;
    char buffer[65536];
    while (const std::size_t got = fileops::readSome(fd.get(), buffer, sizeof buffer, path)) {
        c4.update(buffer, got);
        if (keepBytes)
            file.bytes.append(buffer, got);
    }
    file.c4 = c4.id();
    return file;
}

std::vector<std::string> visibleNamesIn(int folderFd, const fs::path &path)
{
    const int duplicate = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = duplicate >= 0 ? ::fdopendir(duplicate) : nullptr;
    if (!dir) {
        const int error = errno;
        if (duplicate >= 0)
            ::close(duplicate);
        throw FileSystemError("list", path, error);
    }
    const std::unique_ptr<DIR, int (*)(DIR *)> owned(dir, ::closedir);
    ::rewinddir(dir);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
        errno = 0;
    }
    if (errno != 0)
        FileSystemError::throwLast("list", path);
    return names;
}

} // namespace

std::optional<MhlHistory> MhlHistory::read(const fs::path &folder, Reading reading)
{
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        FileSystemError::throwLast("read", folder);
    return read(fd.get(), folder, reading);
}

std::optional<MhlHistory> MhlHistory::read(int folderFd, const fs::path &folder, Reading reading)
{
    const bool records = reading == Reading::records;
    const fs::path path = folder / MhlGeneration::folderName;
    const UniqueFd historyFd(
        ::openat(folderFd, MhlGeneration::folderName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!historyFd) {
        if (errno == ENOENT)
            return std::nullopt;
        if (errno == ENOTDIR || errno == ELOOP)
            throw MhlHistoryError("it is not a folder");
        FileSystemError::throwLast("read", path);
    }

    MhlHistory history;
    const File chainFile =
        readHistoryFile(historyFd.get(), MhlGeneration::chainFileName, path / MhlGeneration::chainFileName, true);
    history.m_chainStamp = chainFile.stamp;
    pugi::xml_document chain;
    const pugi::xml_node directory =
        rootOf(chain, chainFile.bytes, MhlGeneration::chainFileName, "ascmhldirectory", directoryNamespace);
    for (const pugi::xml_node &entry : childrenNamed(directory, "hashlist")) {
        MhlChainLink link{entry.attribute("sequencenr").as_int(), childNamed(entry, "path").text().get(),
                          childNamed(entry, "c4").text().get()};
        if (link.sequence != static_cast<int>(history.m_chain.size()) + 1)
            throw MhlHistoryError("its chain does not number its generations 1, 2, 3 and so on");
        if (link.fileName.empty() || link.fileName.find('/') != std::string::npos || link.fileName[0] == '.')
            throw MhlHistoryError("its chain names a generation outside the history folder");
        history.m_chain.push_back(std::move(link));
    }
    if (history.m_chain.empty())
        throw MhlHistoryError("its chain names no generation");

    for (const MhlChainLink &link : history.m_chain) {
        File file = readHistoryFile(historyFd.get(), link.fileName, path / link.fileName, records);
        if (file.c4 != link.c4)
            throw MhlHistoryError("generation " + link.fileName + " does not match its C4 id");
        if (!records) {
            history.m_generations.push_back(std::move(file));
            continue;
        }
        pugi::xml_document generation;
        const pugi::xml_node hashlist =
            rootOf(generation, file.bytes, "generation " + link.fileName, "hashlist", generationNamespace);
        // Later generations overwrite earlier records: the newest wins.
        for (const pugi::xml_node &hashes : childrenNamed(hashlist, "hashes")) {
            for (const pugi::xml_node &hash : childrenNamed(hashes, "hash")) {
                const std::string filePath = childNamed(hash, "path").text().get();
                std::map<std::string, std::string> values;
                for (const pugi::xml_node &value : hash.children()) {
                    const std::string format = localName(value);
                    if (value.type() == pugi::node_element && isKnownHashFormat(format))
                        values[format] = value.text().get();
                }
                if (!filePath.empty() && !values.empty())
                    history.m_newest[filePath] = std::move(values);
            }
        }
        history.m_generations.push_back(std::move(file));
    }

    std::set<std::string> named{MhlGeneration::chainFileName};
    for (const MhlChainLink &link : history.m_chain)
        named.insert(link.fileName);
    for (const std::string &name : visibleNamesIn(historyFd.get(), path))
        if (!named.count(name))
            throw MhlHistoryError("it holds " + name + ", which its chain does not name");
    return history;
}

const std::map<std::string, std::string> *MhlHistory::newestHashes(const std::string &path) const
{
    const auto found = m_newest.find(path);
    return found == m_newest.end() ? nullptr : &found->second;
}

std::map<std::string, FileStamp> MhlHistory::fileStamps() const
{
    const std::string prefix = std::string(MhlGeneration::folderName) + "/";
    std::map<std::string, FileStamp> stamps{{prefix + MhlGeneration::chainFileName, m_chainStamp}};
    for (const File &file : m_generations)
        stamps[prefix + file.name] = file.stamp;
    return stamps;
}

} // namespace slatewick

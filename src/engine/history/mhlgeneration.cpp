#include "engine/history/mhlgeneration.h"

#include "engine/history/c4id.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>

#ifndef SLATEWICK_VERSION
#error "SLATEWICK_VERSION names the version a generation's creator info gives"
#endif

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr const char *generationNamespace = "urn:ASC:MHL:v2.0";
constexpr const char *directoryNamespace = "urn:ASC:MHL:DIRECTORY:v2.0";
constexpr const char *ignored[] = {"Slatewick-manifest.json", "Slatewick-checksums.xxh128", "ascmhl"};
constexpr std::size_t longestName = 255;

std::string hostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    return name;
}

std::int64_t secondsOf(std::chrono::system_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

std::tm utc(std::int64_t seconds)
{
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    ::gmtime_r(&time, &parts);
    return parts;
}

} // namespace

bool MhlGeneration::canName(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r')
            return false;
        std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xe ? 3 : (byte >> 3) == 0x1e ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        std::uint32_t point = length == 1 ? byte : byte & (0x7f >> length);
        for (std::size_t next = 1; next < length; ++next) {
            const auto continuation = static_cast<unsigned char>(text[at + next]);
            if ((continuation >> 6) != 0x2)
                return false;
            point = point << 6 | (continuation & 0x3f);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length] || point > 0x10ffff || (point >= 0xd800 && point <= 0xdfff) || point == 0xfffe
            || point == 0xffff)
            return false;
        at += length;
    }
    return true;
}

namespace {

// The longest start of a name that fits in size bytes without cutting a character.
std::string cutName(const std::string &name, std::size_t size)
{
    if (name.size() <= size)
        return name;
    std::size_t at = size;
    while (at > 0 && (static_cast<unsigned char>(name[at]) & 0xc0) == 0x80)
        --at;
    return name.substr(0, at);
}

// pugixml writes a carriage return in text as it is, which a reader takes for
// a line end; the reference keeps it. Nothing else in a record writes one.
std::string keepingReturns(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (c == '\r')
            kept += "&#13;";
        else
            kept += c;
    }
    return kept;
}

class TextWriter final : public pugi::xml_writer {
public:
    void write(const void *data, std::size_t size) override { text.append(static_cast<const char *>(data), size); }
    std::string text;
};

std::string printed(const pugi::xml_node &node, unsigned depth)
{
    TextWriter writer;
    node.print(writer, "  ", pugi::format_default, pugi::encoding_utf8, depth);
    return keepingReturns(writer.text);
}

std::string chainDocument(const std::vector<MhlChainLink> &links)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node directory = document.append_child("ascmhldirectory");
    directory.append_attribute("xmlns") = directoryNamespace;
    for (const MhlChainLink &link : links) {
        pugi::xml_node hashlist = directory.append_child("hashlist");
        hashlist.append_attribute("sequencenr") = link.sequence;
        hashlist.append_child("path").text().set(link.fileName.c_str());
        hashlist.append_child("c4").text().set(link.c4.c_str());
    }
    return printed(document, 0);
}

std::string generationName(int sequence, const std::string &batchFolderName, std::int64_t created)
{
    const std::tm parts = utc(created);
    char number[16];
    char time[80];
    std::snprintf(number, sizeof number, "%04d_", sequence);
    std::snprintf(time, sizeof time, "_%04d-%02d-%02d_%02d%02d%02dZ.mhl", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    const std::size_t room = longestName - std::strlen(number) - std::strlen(time);
    return number + cutName(batchFolderName, room) + time;
}

// The generation up to its hashes: declaration, root, creator and process.
std::string head(const std::string &created)
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node hashlist = document.append_child("hashlist");
    hashlist.append_attribute("version") = "2.0";
    hashlist.append_attribute("xmlns") = generationNamespace;

    pugi::xml_node creator = hashlist.append_child("creatorinfo");
    creator.append_child("creationdate").text().set(created.c_str());
    creator.append_child("hostname").text().set(hostName().c_str());
    pugi::xml_node tool = creator.append_child("tool");
    tool.append_attribute("version") = SLATEWICK_VERSION;
    tool.text().set("Slatewick");

    pugi::xml_node process = hashlist.append_child("processinfo");
    process.append_child("process").text().set("transfer");
    pugi::xml_node ignore = process.append_child("ignore");
    for (const char *pattern : ignored)
        ignore.append_child("pattern").text().set(pattern);

    std::string text = printed(document, 0);
    // The entries and the root's end follow as they come.
    text.resize(text.rfind("</hashlist>"));
    return text;
}

} // namespace

std::string MhlGeneration::dateText(std::int64_t secondsSinceEpoch)
{
    const std::tm parts = utc(secondsSinceEpoch);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

MhlGeneration::MhlGeneration(fs::path batchFolder, std::vector<MhlChainLink> earlier,
                             std::chrono::system_clock::time_point createdAt)
    : m_folder(std::move(batchFolder))
    , m_chain(std::move(earlier))
    , m_created(dateText(secondsOf(createdAt)))
    , m_fileName(generationName(m_chain.empty() ? 1 : m_chain.back().sequence + 1, m_folder.filename().string(),
                                secondsOf(createdAt)))
{
    makeHistoryFolder(m_folder);
    const fs::path file = m_folder / folderName / m_fileName;
    std::string pattern = (m_folder / folderName / ("." + m_fileName + ".XXXXXX")).string();
    m_fd.reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!m_fd)
        FileSystemError::throwLast("write", file);
    m_temporary = pattern;
    put(head(m_created));
}

MhlGeneration::~MhlGeneration()
{
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
}

void MhlGeneration::add(const MhlEntry &entry)
{
    if (!canName(entry.path))
        return;
    if (!m_hashesOpen) {
        put("  <hashes>\n");
        m_hashesOpen = true;
    }
    pugi::xml_document document;
    pugi::xml_node hash = document.append_child("hash");
    pugi::xml_node path = hash.append_child("path");
    path.append_attribute("size") = static_cast<long long>(entry.size);
    path.append_attribute("lastmodificationdate") = dateText(entry.modifiedSeconds).c_str();
    path.text().set(entry.path.c_str());
    pugi::xml_node value = hash.append_child("xxh128");
    value.append_attribute("action") = entry.action;
    value.append_attribute("hashdate") = m_created.c_str();
    value.text().set(entry.xxh128.c_str());
    put(printed(hash, 2));
}

void MhlGeneration::put(std::string_view text)
{
    m_pending += text;
    if (m_pending.size() >= 1 << 16)
        flush();
}

void MhlGeneration::flush()
{
    fileops::writeAll(m_fd.get(), m_pending.data(), m_pending.size(), m_folder / folderName / m_fileName);
    m_c4.update(m_pending.data(), m_pending.size());
    m_pending.clear();
}

MhlChainLink MhlGeneration::finish()
{
    const fs::path history = m_folder / folderName;
    const fs::path file = history / m_fileName;
    if (m_hashesOpen)
        put("  </hashes>\n");
    put("</hashlist>\n");
    flush();
    if (::fchmod(m_fd.get(), 0644) != 0 || ::fsync(m_fd.get()) != 0)
        FileSystemError::throwLast("write", file);
    if (::close(m_fd.release()) != 0)
        FileSystemError::throwLast("write", file);
    struct stat existing {};
    if (::lstat(file.c_str(), &existing) == 0)
        throw FileSystemError("write", file, EEXIST);
    if (::rename(m_temporary.c_str(), file.c_str()) != 0)
        FileSystemError::throwLast("write", file);
    m_temporary.clear();
    const UniqueFd folder(::open(history.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder || ::fsync(folder.get()) != 0)
        FileSystemError::throwLast("flush folder", history);
    const MhlChainLink link{m_chain.empty() ? 1 : m_chain.back().sequence + 1, m_fileName, m_c4.id()};
    m_chain.push_back(link);
    fileops::atomicWrite(history / chainFileName, chainDocument(m_chain));
    return link;
}

void makeHistoryFolder(const fs::path &batchFolder)
{
    const UniqueFd parent(::open(batchFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent)
        FileSystemError::throwLast("create folder", batchFolder / MhlGeneration::folderName);
    if (::mkdirat(parent.get(), MhlGeneration::folderName, 0777) != 0 && errno != EEXIST)
        FileSystemError::throwLast("create folder", batchFolder / MhlGeneration::folderName);
    if (::fsync(parent.get()) != 0)
        FileSystemError::throwLast("flush", batchFolder);
}

} // namespace slatewick

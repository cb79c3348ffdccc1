#include "engine/mhlgeneration.h"

#include "engine/c4id.h"
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
#include <ctime>
#include <sstream>

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

std::string serialized(const pugi::xml_document &document)
{
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    // pugixml writes a carriage return in text as it is, which a reader takes
    // for a line end; the reference keeps it. Nothing else writes one.
    std::string text;
    for (const char c : out.str()) {
        if (c == '\r')
            text += "&#13;";
        else
            text += c;
    }
    return text;
}

} // namespace

MhlGeneration::MhlGeneration(std::chrono::system_clock::time_point createdAt)
    : m_createdAt(createdAt)
{
}

void MhlGeneration::add(MhlEntry entry)
{
    if (canName(entry.path))
        m_entries.push_back(std::move(entry));
}

std::string MhlGeneration::dateText(std::int64_t secondsSinceEpoch)
{
    const std::tm parts = utc(secondsSinceEpoch);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::string MhlGeneration::document() const
{
    const std::string created = dateText(secondsOf(m_createdAt));
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

    if (!m_entries.empty()) {
        pugi::xml_node hashes = hashlist.append_child("hashes");
        for (const MhlEntry &entry : m_entries) {
            pugi::xml_node hash = hashes.append_child("hash");
            pugi::xml_node path = hash.append_child("path");
            path.append_attribute("size") = static_cast<long long>(entry.size);
            path.append_attribute("lastmodificationdate") = dateText(entry.modifiedSeconds).c_str();
            path.text().set(entry.path.c_str());
            pugi::xml_node value = hash.append_child("xxh128");
            value.append_attribute("action") = entry.action.c_str();
            value.append_attribute("hashdate") = created.c_str();
            value.text().set(entry.xxh128.c_str());
        }
    }
    return serialized(document);
}

std::string MhlGeneration::fileName(int sequence, const std::string &batchFolderName) const
{
    const std::tm parts = utc(secondsOf(m_createdAt));
    char number[16];
    char time[80];
    std::snprintf(number, sizeof number, "%04d_", sequence);
    std::snprintf(time, sizeof time, "_%04d-%02d-%02d_%02d%02d%02dZ.mhl", parts.tm_year + 1900, parts.tm_mon + 1,
                  parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    const std::size_t room = longestName - std::strlen(number) - std::strlen(time);
    return number + cutName(batchFolderName, room) + time;
}

std::string MhlGeneration::chainDocument(const std::vector<MhlChainLink> &links)
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
    return serialized(document);
}

MhlChainLink MhlGeneration::write(const fs::path &batchFolder, const std::vector<MhlChainLink> &earlier) const
{
    const int sequence = earlier.empty() ? 1 : earlier.back().sequence + 1;
    const fs::path history = batchFolder / folderName;
    makeHistoryFolder(batchFolder);
    const std::string bytes = document();
    MhlChainLink link{sequence, fileName(sequence, batchFolder.filename().string()), {}};
    const fs::path file = history / link.fileName;
    struct stat existing {};
    if (::lstat(file.c_str(), &existing) == 0)
        throw FileSystemError("write", file, EEXIST);
    fileops::atomicWrite(file, bytes);
    link.c4 = c4Id(bytes);
    std::vector<MhlChainLink> links = earlier;
    links.push_back(link);
    fileops::atomicWrite(history / chainFileName, chainDocument(links));
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

#include "engine/upkeep/batchcheck.h"

#include "engine/records/batchrecords.h"
#include "engine/files/checksumlist.h"
#include "engine/files/filehashing.h"
#include "engine/history/mhlhashformat.h"
#include "engine/history/mhlhistory.h"
#include "model/batchmanifest.h"
#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/uniquefd.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace slatewick {

namespace {

constexpr std::size_t bufferSize = 1 << 20;
constexpr std::size_t namesShown = 3;

std::string counted(std::size_t count, const char *what)
{
    return std::to_string(count) + (count == 1 ? " file " : " files ") + what;
}

std::string names(const std::vector<std::string> &paths)
{
    std::string text = " (";
    for (std::size_t i = 0; i < paths.size() && i < namesShown; ++i)
        text += (i ? ", " : "") + paths[i];
    if (paths.size() > namesShown)
        text += " and " + std::to_string(paths.size() - namesShown) + " more";
    return text + ")";
}

// Every entry below the folder that is not hidden, by relative path; true for regular files.
std::map<std::string, bool> entriesOf(const fs::path &folder)
{
    std::map<std::string, bool> entries;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::directory_entry &entry = *it;
        if (entry.path().filename().string().starts_with('.')) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status status = entry.symlink_status(error);
        if (error)
            break;
        if (fs::is_directory(status))
            continue;
        entries.emplace(entry.path().lexically_relative(folder).string(), fs::is_regular_file(status));
    }
    if (error)
        throw FileSystemError("read folder", folder, error.value());
    return entries;
}

// Whether the history's newest record of the file gives it this xxh128.
bool matchesHistory(const MhlHistory &history, const std::string &path, const std::string &hex)
{
    if (!MhlGeneration::canName(path))
        return true; // a name no generation can hold
    const auto *hashes = history.newestHashes(path);
    const auto value = hashes ? hashes->find("xxh128") : std::map<std::string, std::string>::const_iterator();
    return hashes && value != hashes->end() && sameHashValue("xxh128", value->second, hex);
}

} // namespace

std::string BatchCheck::sentence(const std::string &which) const
{
    if (clean())
        return which + (listed == 1 ? ": the 1 listed file matches." : ": all " + std::to_string(listed) + " files match.");
    std::vector<std::string> parts;
    if (!missing.empty())
        parts.push_back(counted(missing.size(), "missing") + names(missing));
    if (!changed.empty())
        parts.push_back(counted(changed.size(), "changed") + names(changed));
    if (!extra.empty())
        parts.push_back(counted(extra.size(), "not in the checksum file") + names(extra));
    if (!unreadable.empty())
        parts.push_back(counted(unreadable.size(), "unreadable") + names(unreadable));
    if (!unlikeHistory.empty())
        parts.push_back(counted(unlikeHistory.size(), "not as the ASC MHL history records them") + names(unlikeHistory));
    if (!historyProblem.empty())
        parts.push_back("an ASC MHL history that is not valid (" + historyProblem + ")");
    std::string text = which + ": ";
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return text + ".";
}

BatchCheck checkBatch(const fs::path &batchFolder)
{
    return checkBatch(batchFolder, batchFolder / checksumFileName, false);
}

BatchCheck checkBatch(const fs::path &batchFolder, const fs::path &checksumFile,
                      bool fromStorage)
{
    const std::vector<ChecksumEntry> listed = parseChecksumText(fileops::readFile(checksumFile));
    std::map<std::string, bool> present = entriesOf(batchFolder);
    present.erase(checksumFileName);
    present.erase(BatchManifest::fileName);
    const std::string historyPrefix = std::string(MhlGeneration::folderName) + "/";
    std::erase_if(present, [&](const auto &entry) { return entry.first.starts_with(historyPrefix); });

    BatchCheck check;
    check.listed = static_cast<std::int64_t>(listed.size());
    std::optional<MhlHistory> history;
    try {
        history = MhlHistory::read(batchFolder);
    } catch (const std::exception &error) {
        check.historyProblem = error.what();
    }
    std::vector<char> buffer(bufferSize);
    ContentHasher hasher;
    for (const ChecksumEntry &entry : listed) {
        const auto found = present.find(entry.path);
        if (found == present.end() || !found->second) {
            check.missing.push_back(entry.path);
            continue;
        }
        present.erase(found);
        const fs::path file = batchFolder / entry.path;
        const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        hasher.reset();
        if (fd && fromStorage)
            ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
        const int failure = fd ? hashWholeFile(fd.get(), hasher, buffer.data(), buffer.size()) : errno;
        if (failure != 0)
            check.unreadable.push_back(entry.path + ": " + std::strerror(failure));
        else if (hasher.digest().hex() != entry.hex)
            check.changed.push_back(entry.path);
        else if (history && !matchesHistory(*history, entry.path, entry.hex))
            check.unlikeHistory.push_back(entry.path);
    }
    for (const auto &[path, regular] : present)
        check.extra.push_back(path);
    return check;
}

std::string recheckReport(const std::optional<fs::path> &cacheBatch, const std::optional<fs::path> &serverBatch)
{
    auto one = [](const std::string &which, const fs::path &folder) {
        try {
            return checkBatch(folder).sentence(which);
        } catch (const std::exception &error) {
            return which + ": could not be checked: " + error.what() + ".";
        }
    };
    std::string report = cacheBatch ? one("Cache batch", *cacheBatch) : std::string();
    if (serverBatch) {
        report += report.empty() ? "" : " ";
        if (fileops::exists(*serverBatch))
            report += one("Server batch", *serverBatch);
        else
            report += "Server batch: not reachable at " + serverBatch->string() + ".";
    }
    return report;
}

} // namespace slatewick

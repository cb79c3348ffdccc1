#include "engine/upkeep/batchchecking.h"

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

Recheck recheck(const std::optional<fs::path> &cacheBatch, const std::optional<fs::path> &serverBatch)
{
    auto one = [](const fs::path &folder) {
        CheckedBatch checked;
        checked.folder = folder;
        try {
            checked.check = checkBatch(folder);
        } catch (const std::exception &) {
            checked.result = CheckedBatch::Result::failed;
            checked.error = std::current_exception();
        }
        return checked;
    };
    Recheck result;
    if (cacheBatch)
        result.cache = one(*cacheBatch);
    if (serverBatch) {
        if (fileops::exists(*serverBatch))
            result.server = one(*serverBatch);
        else
            result.server = CheckedBatch{CheckedBatch::Result::notReachable, *serverBatch, {}, {}};
    }
    return result;
}

} // namespace slatewick

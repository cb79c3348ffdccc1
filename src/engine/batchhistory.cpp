#include "engine/batchhistory.h"

#include "platform/fileops.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace slatewick {

namespace {

// Batch folders sit this deep at most below the cache root: the template's subfolders and the batch.
constexpr int maximumDepth = 4;

std::chrono::system_clock::time_point timeFromText(const std::string &text)
{
    std::tm parts{};
    char zone = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                    &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &zone) != 7 || zone != 'Z')
        throw std::runtime_error("not a UTC time: " + text);
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return std::chrono::system_clock::from_time_t(::timegm(&parts));
}

void collect(const fs::path &folder, int depth, std::vector<BatchRecord> &records)
{
    const fs::path manifest = folder / BatchManifest::fileName;
    std::error_code error;
    if (fs::is_regular_file(manifest, error)) {
        try {
            records.push_back({folder, decodeManifest(fileops::readFile(manifest))});
        } catch (const std::exception &) {
            // Being written, or not ours: not listed.
        }
        return;
    }
    if (depth >= maximumDepth)
        return;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error) && !it->path().filename().string().starts_with('.'))
            collect(it->path(), depth + 1, records);
    }
}

} // namespace

BatchManifest decodeManifest(const std::string &text)
{
    const nlohmann::json document = nlohmann::json::parse(text);
    BatchManifest manifest;
    manifest.sourceVolume = document.at("sourceVolume").get<std::string>();
    manifest.sourceDevice = document.at("sourceDevice").get<std::string>();
    manifest.createdAt = timeFromText(document.at("createdAt").get<std::string>());
    manifest.cachedAt = timeFromText(document.at("cachedAt").get<std::string>());
    manifest.copiedToServerAt = timeFromText(document.at("copiedToServerAt").get<std::string>());
    manifest.files = document.at("files").get<std::int64_t>();
    manifest.bytes = document.at("bytes").get<std::int64_t>();
    manifest.cachePath = document.at("cachePath").get<std::string>();
    manifest.remotePath = document.at("remotePath").get<std::string>();
    manifest.cardCleared = document.at("cardCleared").get<bool>();
    return manifest;
}

std::vector<BatchRecord> recentBatches(const fs::path &cacheRoot, std::size_t limit)
{
    std::vector<BatchRecord> records;
    std::error_code error;
    for (fs::directory_iterator it(cacheRoot, error); !error && it != fs::directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error) && !it->path().filename().string().starts_with('.'))
            collect(it->path(), 1, records);
    }
    std::stable_sort(records.begin(), records.end(), [](const BatchRecord &a, const BatchRecord &b) {
        return a.manifest.createdAt > b.manifest.createdAt;
    });
    if (records.size() > limit)
        records.resize(limit);
    return records;
}

} // namespace slatewick

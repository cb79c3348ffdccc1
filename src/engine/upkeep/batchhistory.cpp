#include "engine/upkeep/batchhistory.h"

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

std::vector<RecentBatch> recentBatches(const std::vector<BatchRecord> &records, std::size_t limit)
{
    std::vector<RecentBatch> batches;
    for (const BatchRecord &record : records) {
        RecentBatch batch{record.cacheBatch, record.facts, record.state};
        batch.manifest.cachePath = record.cacheBatch.string();
        batch.manifest.remotePath = record.serverBatch.string();
        batches.push_back(std::move(batch));
    }
    std::stable_sort(batches.begin(), batches.end(), [](const RecentBatch &a, const RecentBatch &b) {
        return a.manifest.createdAt > b.manifest.createdAt;
    });
    if (batches.size() > limit)
        batches.resize(limit);
    return batches;
}

} // namespace slatewick

#include "engine/pendingtransfer.h"

#include "platform/fileops.h"
#include "platform/filesystemerror.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>

namespace slatewick {

namespace fs = std::filesystem;

namespace {

constexpr int recordVersion = 1;

std::int64_t secondsOf(std::chrono::system_clock::time_point time)
{
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

std::chrono::system_clock::time_point timeOf(std::int64_t seconds)
{
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

nlohmann::json encoded(const PendingTransfer &transfer)
{
    const BatchManifest &facts = transfer.facts;
    return {{"version", recordVersion},
            {"cacheBatch", transfer.cacheBatch.string()},
            {"batchName", transfer.batchName},
            {"serverFolder", transfer.serverFolder.string()},
            {"serverBatch", transfer.serverBatch ? nlohmann::json(transfer.serverBatch->string()) : nlohmann::json()},
            {"sourceVolume", facts.sourceVolume},
            {"sourceDevice", facts.sourceDevice},
            {"createdAt", secondsOf(facts.createdAt)},
            {"cachedAt", secondsOf(facts.cachedAt)},
            {"files", facts.files},
            {"bytes", facts.bytes},
            {"cardCleared", facts.cardCleared},
            {"notClearedReason", transfer.notClearedReason}};
}

PendingTransfer decoded(const nlohmann::json &json)
{
    if (json.at("version").get<int>() != recordVersion)
        throw std::runtime_error("it was written by another version of Slatewick");
    PendingTransfer transfer;
    transfer.cacheBatch = json.at("cacheBatch").get<std::string>();
    transfer.batchName = json.at("batchName").get<std::string>();
    transfer.serverFolder = json.at("serverFolder").get<std::string>();
    if (!json.at("serverBatch").is_null())
        transfer.serverBatch = json.at("serverBatch").get<std::string>();
    BatchManifest &facts = transfer.facts;
    facts.sourceVolume = json.at("sourceVolume").get<std::string>();
    facts.sourceDevice = json.at("sourceDevice").get<std::string>();
    facts.createdAt = timeOf(json.at("createdAt").get<std::int64_t>());
    facts.cachedAt = timeOf(json.at("cachedAt").get<std::int64_t>());
    facts.files = json.at("files").get<std::int64_t>();
    facts.bytes = json.at("bytes").get<std::int64_t>();
    facts.cardCleared = json.at("cardCleared").get<bool>();
    facts.cachePath = transfer.cacheBatch.string();
    transfer.notClearedReason = json.at("notClearedReason").get<std::string>();
    return transfer;
}

} // namespace

PendingStore::PendingStore(fs::path stateFolder)
    : m_folder(stateFolder.empty() ? fs::path() : stateFolder / "pending")
{
}

void PendingStore::save(PendingTransfer &transfer) const
{
    if (m_folder.empty())
        return;
    fileops::createDirectories(m_folder);
    if (transfer.recordFile.empty()) {
        // Named by the time it was cached and a counter, so records sort in that order.
        static std::atomic<std::uint64_t> counter{0};
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
        transfer.recordFile = m_folder / (std::to_string(micros) + "-" + std::to_string(counter++) + ".json");
    }
    fileops::atomicWrite(transfer.recordFile, encoded(transfer).dump(2) + "\n");
}

void PendingStore::remove(const PendingTransfer &transfer) const
{
    if (!transfer.recordFile.empty())
        fileops::removeFileIfPresent(transfer.recordFile);
}

std::vector<PendingStore::Entry> PendingStore::load() const
{
    std::vector<Entry> entries;
    std::error_code error;
    if (m_folder.empty() || !fs::is_directory(m_folder, error))
        return entries;
    for (const auto &item : fs::directory_iterator(m_folder, error)) {
        const fs::path file = item.path();
        if (file.extension() != ".json" || file.filename().string().starts_with('.'))
            continue;
        Entry entry{file, std::nullopt, {}};
        try {
            entry.transfer = decoded(nlohmann::json::parse(fileops::readFile(file)));
            entry.transfer->recordFile = file;
        } catch (const std::exception &failure) {
            entry.problem = failure.what();
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        const auto cached = [](const Entry &entry) {
            return entry.transfer ? entry.transfer->facts.cachedAt : std::chrono::system_clock::time_point::max();
        };
        return std::pair(cached(a), a.file) < std::pair(cached(b), b.file);
    });
    return entries;
}

} // namespace slatewick

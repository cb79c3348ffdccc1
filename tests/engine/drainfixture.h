#pragma once

#include "engine/drainengine.h"
#include "model/drainerror.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace slatewick::testsupport {

using Report = std::tuple<DrainPhase, double, std::string>;

// Waits on a condition with a deadline instead of sleeping a fixed time.
inline bool eventually(const std::function<bool()> &condition,
                       std::chrono::seconds limit = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

inline void flipFirstByte(const std::filesystem::path &file)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    const char first = static_cast<char>(stream.get());
    stream.seekp(0);
    stream.put(static_cast<char>(first ^ 0x01));
}

inline std::vector<std::string> entryNames(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A card, an application-data folder and a server folder in a fresh temporary
// folder, and the reports of the drains made on them.
struct DrainWorld {
    TempDir dir;
    std::filesystem::path card = dir / "card";
    std::filesystem::path data = dir / "data";
    std::filesystem::path server = dir / "server";
    DrainSettings settings;
    InsertedCard inserted;
    std::vector<Report> reports;
    std::function<void(const Report &)> onReport;

    DrainWorld()
    {
        std::filesystem::create_directories(card);
        std::filesystem::create_directories(server);
        settings.remoteDirectory = server.string();
        settings.namingTemplate = "{card}";
        inserted.url = card;
        inserted.displayName = "CARD01";
        inserted.deviceIdentifier = "sdc1";
    }

    std::filesystem::path cacheRoot() const { return data / "Slatewick" / "Cache"; }

    DrainEngine::Update update()
    {
        return [this](DrainPhase phase, double progress, const std::string &detail) {
            reports.emplace_back(phase, progress, detail);
            if (onReport)
                onReport(reports.back());
        };
    }

    DrainEngine::Outcome drain(std::stop_token stop = {})
    {
        DrainEngine engine(data);
        return engine.drain(inserted, settings, update(), stop);
    }

    // The DrainError a drain ends with; fails the test if it ends otherwise.
    DrainError drainFailure()
    {
        try {
            drain();
        } catch (const DrainError &error) {
            return error;
        } catch (const std::exception &error) {
            ADD_FAILURE() << "ended with " << error.what();
            throw;
        }
        ADD_FAILURE() << "the drain succeeded";
        throw std::runtime_error("the drain succeeded");
    }
};

} // namespace slatewick::testsupport

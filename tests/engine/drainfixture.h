#pragma once

#include "engine/drainengine.h"
#include "model/drainerror.h"
#include "support/files.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stop_token>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace slatewick::testsupport {

using Report = std::tuple<DrainPhase, double, std::string>;

inline void flipFirstByte(const std::filesystem::path &file)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    const char first = static_cast<char>(stream.get());
    stream.seekp(0);
    stream.put(static_cast<char>(first ^ 0x01));
}

// The names in a folder, sorted byte for byte; none when it is missing.
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
    std::stop_source stop; // what the drains are asked to stop by

    DrainWorld()
    {
        std::filesystem::create_directories(card);
        std::filesystem::create_directories(server);
        settings.remoteDirectory = server.string();
        settings.namingTemplate = "{card}";
        inserted.url = card;
        inserted.displayName = "CARD01";
    }

    std::filesystem::path cacheRoot() const { return data / "Slatewick" / "Cache"; }

    DrainEngine::Outcome drain()
    {
        const DrainEngine::Update update = [this](DrainPhase phase, double progress, const std::string &detail) {
            reports.emplace_back(phase, progress, detail);
            if (onReport)
                onReport(reports.back());
        };
        return DrainEngine(data).drain(inserted, settings, update, stop.get_token());
    }

    // The DrainError a drain ends with; any other ending fails the test.
    DrainError drainFailure()
    {
        try {
            drain();
        } catch (const DrainError &error) {
            return error;
        }
        throw std::runtime_error("the drain succeeded");
    }
};

} // namespace slatewick::testsupport

#pragma once

#include "engine/drain/drainengine.h"
#include "model/drainerror.h"
#include "support/files.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <vector>

namespace slatewick::testsupport {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Report = DrainEvent;

inline void flipFirstByte(const fs::path &file)
{
    std::string bytes = readFile(file);
    bytes[0] = static_cast<char>(bytes[0] ^ 0x01);
    writeFile(file, bytes);
}

inline nlohmann::json manifestIn(const fs::path &batch)
{
    return nlohmann::json::parse(readFile(batch / "Slatewick-manifest.json"));
}

// The text of the Failure that call ends with; ending otherwise fails the test.
template <typename Failure = std::exception>
std::string failureText(const std::function<void()> &call)
{
    try {
        call();
    } catch (const Failure &failure) {
        return failure.what();
    }
    ADD_FAILURE() << "ended without the expected failure";
    return {};
}

// A card, an application-data folder and a server folder in a fresh temporary
// folder, and the reports of the drains made on them.
struct DrainWorld {
    TempDir dir;
    fs::path card = dir / "card";
    fs::path data = dir / "data";
    fs::path server = dir / "server";
    DrainSettings settings;
    InsertedCard inserted;
    std::vector<Report> reports;
    std::function<void(const Report &)> onReport;
    DrainEngine::Options options;
    DrainEngine::ByteUpdate onBytes;

    DrainWorld()
    {
        fs::create_directories(card);
        fs::create_directories(server);
        settings.remoteDirectory = server.string();
        settings.namingTemplate = "{card}";
        inserted.url = card;
        inserted.displayName = "CARD01";
    }

    fs::path cacheRoot() const { return data / "Slatewick" / "Cache"; }

    DrainEngine::Outcome drain()
    {
        const DrainEngine::Update update = [this](const DrainEvent &event) {
            reports.push_back(event);
            if (onReport)
                onReport(reports.back());
        };
        return DrainEngine(data, options).drain(inserted, settings, update, {}, onBytes);
    }

    // The sentence of the DrainError a drain ends with; any other ending fails the test.
    std::string drainFailure() { return failureText<DrainError>([this] { drain(); }); }
};

} // namespace slatewick::testsupport

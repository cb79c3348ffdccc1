#pragma once

#include "engine/drain/drainengine.h"
#include "model/drainerror.h"
#include "support/files.h"
#include "support/programprocess.h"
#include "support/skipunless.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <vector>

namespace slatewick::testsupport {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using Report = DrainEvent;

inline const DrainEngine::Update ignoreReports = [](const DrainEvent &) {};

// drain_once, beside the test program: drains in a process of its own, for tests that trace it.
inline fs::path drainOnceProgram()
{
    return fs::read_symlink("/proc/self/exe").parent_path() / "drain_once";
}

inline std::string straceRefusal()
{
    const std::string refusal = runProgram("strace", {"-o", "/dev/null", "true"});
    return refusal.empty() ? refusal : "strace cannot trace here: " + refusal;
}

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
// folder, and the reports of the drains made on them. The card is cleared once
// its cache batch is verified, as most drains are set.
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
        settings.clearAfterCopy = true;
        inserted.url = card;
        inserted.displayName = "CARD01";
    }

    fs::path cacheRoot() const { return data / "Slatewick" / "Cache"; }
    DrainEngine engine() const { return DrainEngine(data, options); }

    // Card files holding their own names.
    void writeCard(const std::vector<std::string> &names)
    {
        for (const std::string &name : names)
            writeFile(card / name, name);
    }

    // Drains to a server folder that is not there, then makes it: the batch waits, recorded as cached.
    std::string drainToWaiting(const fs::path &folder)
    {
        options.stateFolder = dir / "state";
        settings.remoteDirectory = folder.string();
        EXPECT_THROW(drain(), ServerCopyPending);
        EXPECT_FALSE(fs::exists(folder)) << "a missing server folder is never made";
        fs::create_directories(folder);
        return engine().ledger().all().at(0).id;
    }

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

// Each engine test names the engine's types and these helpers unqualified.
using namespace slatewick;
using namespace slatewick::testsupport;

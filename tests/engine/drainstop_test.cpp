#include "drainfixture.h"

#include "childprocess.h"
#include "platform/cancellationerror.h"
#include "platform/filesystemerror.h"

#include <sched.h>
#include <sys/mount.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

TEST(DrainStop, AStopDuringTheCacheCopyEndsTheDrainBeforeTheNextFile)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    for (const char *name : {"DCIM/1.jpg", "DCIM/2.jpg", "DCIM/3.jpg"})
        writeFile(world.card / name, name);
    std::stop_source stop;
    world.onReport = [&](const Report &report) {
        if (std::get<2>(report) == "1 of 3 files")
            stop.request_stop();
    };
    EXPECT_THROW(world.drain(stop.get_token()), CancellationError);
    EXPECT_EQ(std::get<2>(world.reports.back()), "1 of 3 files");
    EXPECT_EQ(entryNames(world.cacheRoot() / "CARD01/DCIM"), std::vector<std::string>{"1.jpg"});
    EXPECT_EQ(entryNames(world.card / "DCIM"), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
    EXPECT_TRUE(entryNames(world.server).empty());
}

TEST(DrainStop, AStopOnceTheCacheIsVerifiedNoLongerEndsTheDrain)
{
    for (const std::string when : {"Local cache verified", "Sending verified cache", "1 of 3 files (server)"}) {
        DrainWorld world;
        world.settings.clearAfterCopy = true;
        for (const char *name : {"DCIM/1.jpg", "DCIM/2.jpg", "DCIM/3.jpg"})
            writeFile(world.card / name, name);
        std::stop_source stop;
        world.onReport = [&](const Report &report) {
            const std::string &detail = std::get<2>(report);
            if (detail.rfind(when, 0) == 0
                || (when == "1 of 3 files (server)" && std::get<0>(report) == DrainPhase::copying
                    && detail == "1 of 3 files"))
                stop.request_stop();
        };
        const DrainEngine::Outcome outcome = world.drain(stop.get_token());
        EXPECT_TRUE(stop.stop_requested()) << when;
        EXPECT_EQ(std::get<2>(world.reports.back()), "3 of 3 files") << when;
        EXPECT_EQ(entryNames(outcome.remoteURL / "DCIM"), (std::vector<std::string>{"1.jpg", "2.jpg", "3.jpg"}));
        EXPECT_TRUE(fs::exists(outcome.batchURL / "Slatewick-manifest.json")) << when;
        EXPECT_TRUE(fs::exists(outcome.remoteURL / "Slatewick-manifest.json")) << when;
    }
}

TEST(DrainStop, AReportThatThrowsEndsTheDrainWithItsError)
{
    DrainWorld world;
    writeFile(world.card / "a.jpg", "a");
    writeFile(world.card / "b.jpg", "b");
    world.onReport = [](const Report &report) {
        if (std::get<0>(report) == DrainPhase::copying)
            throw CancellationError();
    };
    EXPECT_THROW(world.drain(), CancellationError);
    EXPECT_TRUE(fs::exists(world.cacheRoot() / "CARD01/b.jpg"));
    EXPECT_FALSE(fs::exists(world.cacheRoot() / "CARD01/Slatewick-manifest.json"));
}

TEST(DrainConcurrency, TwoDrainsOnOneEngineTakeTurnsFileByFile)
{
    DrainWorld world;
    constexpr int filesPerCard = 24;
    const std::vector<std::string> names{"LEFT", "RIGHT"};
    for (const auto &name : names) {
        for (int i = 0; i < filesPerCard; ++i)
            writeFile(world.dir / name / "DCIM" / ("IMG_" + std::to_string(1000 + i) + ".JPG"),
                      std::string(200000 + i, static_cast<char>('a' + i)));
    }
    DrainEngine engine(world.data);
    std::mutex logMutex;
    std::vector<std::pair<std::string, Report>> log;
    std::atomic<int> started{0};
    std::atomic<int> firstFiles{0};
    std::map<std::string, DrainEngine::Outcome> outcomes;
    std::map<std::string, std::string> failures;

    const auto run = [&](const std::string &name) {
        InsertedCard card = world.inserted;
        card.url = world.dir / name;
        card.displayName = name;
        DrainSettings settings = world.settings;
        settings.clearAfterCopy = true;
        const DrainEngine::Update update = [&](DrainPhase phase, double progress, const std::string &detail) {
            {
                std::lock_guard guard(logMutex);
                log.emplace_back(name, Report{phase, progress, detail});
            }
            // Both drains reach their copies before either copies a file.
            if (detail.rfind("Copying ", 0) == 0) {
                ++started;
                if (!eventually([&] { return started.load() == 2; }))
                    throw std::runtime_error("the other drain did not start");
            }
            // Each waits in its first file's report for the other's first file: only
            // possible when the engine lets go of its lock while a report is delivered.
            if (phase == DrainPhase::caching && detail == "1 of " + std::to_string(filesPerCard) + " files") {
                ++firstFiles;
                if (!eventually([&] { return firstFiles.load() == 2; }))
                    throw std::runtime_error("the other drain copied nothing while this one reported");
            }
        };
        try {
            const DrainEngine::Outcome outcome = engine.drain(card, settings, update, {});
            std::lock_guard guard(logMutex);
            outcomes[name] = outcome;
        } catch (const std::exception &error) {
            std::lock_guard guard(logMutex);
            failures[name] = error.what();
        }
    };
    std::thread left(run, names[0]);
    std::thread right(run, names[1]);
    left.join();
    right.join();

    EXPECT_TRUE(failures.empty()) << failures.begin()->first << ": " << failures.begin()->second;
    ASSERT_EQ(outcomes.size(), 2u);
    for (const auto &name : names) {
        EXPECT_EQ(outcomes[name].files, filesPerCard);
        EXPECT_TRUE(fs::exists(outcomes[name].batchURL / "Slatewick-manifest.json"));
        EXPECT_TRUE(fs::exists(outcomes[name].remoteURL / "Slatewick-manifest.json"));
        EXPECT_TRUE(entryNames(world.dir / name).empty());
    }
    // The per-file reports of the cache copies, in the order they were delivered.
    std::string order;
    for (const auto &[name, report] : log) {
        if (std::get<0>(report) == DrainPhase::caching && std::get<2>(report).find(" of ") != std::string::npos)
            order += name[0];
    }
    ASSERT_EQ(order.size(), 2u * filesPerCard);
    EXPECT_LT(order.find('R'), order.rfind('L')) << order;
    EXPECT_LT(order.find('L'), order.rfind('R')) << order;
    // How closely they alternate depends on the scheduler (the arrival-order lock
    // itself is proven in fairlock_test); shown for the record.
    std::printf("cache-copy reports in delivery order: %s\n", order.c_str());
}

TEST(DrainMounts, AReadOnlyCardIsStillSentToTheServerThenFailsWithTheSystemsReason)
{
    DrainWorld world;
    world.settings.clearAfterCopy = true;
    writeFile(world.card / "DCIM/a.jpg", "a");
    writeFile(world.card / "DCIM/b.jpg", "bb");

    const auto result = runInChild([&]() -> std::string {
        // A private mount namespace: the read-only mount is seen by this child only.
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("skip: unshare(CLONE_NEWNS): ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("skip: private mounts: ") + std::strerror(errno);
        if (::mount(world.card.c_str(), world.card.c_str(), nullptr, MS_BIND, nullptr) != 0
            || ::mount(nullptr, world.card.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("skip: read-only bind mount: ") + std::strerror(errno);
        try {
            world.drain();
            return "drained";
        } catch (const FileSystemError &error) {
            return std::string("FileSystemError: ") + error.what();
        }
    });
    if (result.output.rfind("skip:", 0) == 0)
        GTEST_SKIP() << result.output;
    EXPECT_TRUE(result.ok) << result.output;
    const std::string prefix = "FileSystemError: Could not remove " + world.card.string() + "/DCIM";
    EXPECT_EQ(result.output.rfind(prefix, 0), 0u) << result.output;
    EXPECT_NE(result.output.find(": Read-only file system"), std::string::npos) << result.output;

    // Both copies are verified and recorded, the card marked as not cleared.
    for (const fs::path &batch : {world.cacheRoot() / "CARD01", world.server / "CARD01"}) {
        EXPECT_EQ(readFile(batch / "DCIM/a.jpg"), "a");
        EXPECT_EQ(readFile(batch / "DCIM/b.jpg"), "bb");
        EXPECT_NE(readFile(batch / "Slatewick-manifest.json").find("\"cardCleared\": false"), std::string::npos);
    }
    EXPECT_EQ(entryNames(world.card / "DCIM"), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

// How late the main thread's event loop answers while cards drain through the
// model, against the same timer on an idle loop measured in the same run.
//
//   slatewick-bench-eventloop [card MiB, default 1024] [cards drained at once, default 1]
#include "coordinator/drainmodel.h"
#include "discovery/carddiscovery.h"
#include "discovery/volumesource.h"
#include "engine/drain/drainengine.h"
#include "model/settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace slatewick;
namespace fs = std::filesystem;

namespace {

std::string cardName(std::size_t index)
{
    return "BENCH" + std::to_string(index + 1);
}

// Each card in a watched slot of its own.
class BenchCards final : public VolumeSource {
public:
    explicit BenchCards(std::vector<fs::path> roots)
        : m_roots(std::move(roots))
    {
    }
    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override
    {
        std::vector<VolumeFacts> volumes;
        for (std::size_t i = 0; i < m_roots.size(); ++i)
            volumes.push_back({m_roots[i], cardName(i), true, true});
        return volumes;
    }
    DiskInfo diskInfo(const fs::path &path) const override
    {
        for (std::size_t i = 0; i < m_roots.size(); ++i) {
            if (m_roots[i] == path)
                return {{"DeviceLocation", "slot-" + cardName(i)}};
        }
        return {};
    }

private:
    std::vector<fs::path> m_roots;
};

void makeCard(const fs::path &root, std::int64_t totalBytes)
{
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 2654435761u >> 13);
    std::int64_t written = 0;
    for (int index = 0; written < totalBytes; ++index) {
        // Mostly 8 MiB raw files, with a few small side-car files.
        const std::int64_t size = index % 10 == 9 ? 4096 : std::min<std::int64_t>(8 << 20, totalBytes - written);
        const fs::path file = root / "DCIM" / ("IMG_" + std::to_string(10000 + index) + ".RAW");
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        for (std::int64_t left = size; left > 0; left -= static_cast<std::int64_t>(block.size())) {
            block[0] = static_cast<char>(index);
            out.write(block.data(), std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size())));
        }
        written += size;
    }
}

// Runs the loop until done() and returns the worst lateness of a 5 ms timer.
double worstLatenessMs(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    double worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, (now - last) / 1e6 - 5.0);
        last = now;
        if (done())
            QCoreApplication::quit();
    });
    tick.start(5);
    QCoreApplication::exec();
    return worst;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::size_t count = argc > 2 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[2]))) : 1;
    char pattern[] = "/var/tmp/slatewick-bench-XXXXXX";
    const fs::path work = ::mkdtemp(pattern);
    std::vector<fs::path> cards;
    for (std::size_t i = 0; i < count; ++i) {
        cards.push_back(work / cardName(i));
        makeCard(cards.back(), mib << 20);
    }
    fs::create_directories(work / "server");

    DrainSettings settings;
    for (std::size_t i = 0; i < count; ++i)
        settings.watchedSlots.push_back(CardSlot{"slot-" + cardName(i), cardName(i), "", "", ""});
    settings.remoteDirectory = (work / "server").string();
    settings.gracePeriodSeconds = 0;
    settings.launchAtLogin = false;
    SettingsStore(KeyValueStore(work / "config")).save(settings);

    QElapsedTimer idleClock;
    idleClock.start();
    const double idle = worstLatenessMs([&] { return idleClock.elapsed() > 1000; });

    DrainModel::Collaborators collaborators;
    collaborators.discovery = std::make_shared<const CardDiscovery>(std::make_shared<BenchCards>(cards));
    collaborators.engine = std::make_shared<DrainEngine>(work / "data");
    collaborators.settingsFolder = work / "config";
    QElapsedTimer drainClock;
    drainClock.start();
    DrainModel model(collaborators);
    // The cards are read and the server folder looked at off the main thread before any job starts.
    const double draining = worstLatenessMs([&] { return model.jobCount() == 0 && model.activities().size() == count; });
    const double seconds = drainClock.elapsed() / 1000.0;

    bool allReady = true;
    std::printf("%zu card%s of %lld MiB drained at once: %.2f s\n", count, count == 1 ? "" : "s",
                static_cast<long long>(mib), seconds);
    for (const auto &row : model.activities()) {
        std::printf("  outcome: %s\n", row.detail.c_str());
        allReady = allReady && row.phase == DrainPhase::ready;
    }
    std::printf("worst event-loop lateness, idle loop (baseline): %.2f ms\n", idle);
    std::printf("worst event-loop lateness while draining:        %.2f ms (target under 50 ms)\n", draining);
    fs::remove_all(work);
    return allReady && model.activities().size() == count ? 0 : 1;
}

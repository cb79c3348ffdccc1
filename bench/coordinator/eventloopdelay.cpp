// How late the main thread's event loop answers while a card drains through
// the model, against the same timer on an idle loop measured in the same run.
//
//   slatewick-bench-eventloop [card MiB, default 1024]
#include "coordinator/drainmodel.h"
#include "discovery/carddiscovery.h"
#include "discovery/volumesource.h"
#include "engine/drainengine.h"
#include "model/settingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

using namespace slatewick;
namespace fs = std::filesystem;

namespace {

class OneCard final : public VolumeSource {
public:
    explicit OneCard(fs::path root)
        : m_root(std::move(root))
    {
    }
    std::optional<std::vector<VolumeFacts>> mountedVolumes() const override
    {
        return std::vector<VolumeFacts>{{m_root, std::string("BENCH"), true, true}};
    }
    DiskInfo diskInfo(const fs::path &) const override { return {{"DeviceLocation", std::string("bench-slot")}}; }

private:
    fs::path m_root;
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
    char pattern[] = "/var/tmp/slatewick-bench-XXXXXX";
    const fs::path work = ::mkdtemp(pattern);
    makeCard(work / "card", mib << 20);
    fs::create_directories(work / "server");

    DrainSettings settings;
    settings.watchedSlots.push_back(CardSlot{"bench-slot", "BENCH", "", "", ""});
    settings.remoteDirectory = (work / "server").string();
    settings.gracePeriodSeconds = 0;
    settings.launchAtLogin = false;
    SettingsStore(KeyValueStore(work / "config")).save(settings);

    QElapsedTimer idleClock;
    idleClock.start();
    const double idle = worstLatenessMs([&] { return idleClock.elapsed() > 1000; });

    DrainModel::Collaborators collaborators;
    collaborators.discovery = std::make_shared<const CardDiscovery>(std::make_shared<OneCard>(work / "card"));
    collaborators.engine = std::make_shared<DrainEngine>(work / "data");
    collaborators.settingsFolder = work / "config";
    QElapsedTimer drainClock;
    drainClock.start();
    DrainModel model(collaborators);
    const double draining = worstLatenessMs([&] { return model.jobCount() == 0; });
    const double seconds = drainClock.elapsed() / 1000.0;

    const auto &row = model.activities().front();
    std::printf("card: %lld MiB, drain: %.2f s, outcome: %s\n", static_cast<long long>(mib), seconds,
                row.detail.c_str());
    std::printf("worst event-loop lateness, idle loop (baseline): %.2f ms\n", idle);
    std::printf("worst event-loop lateness while draining:        %.2f ms (target under 50 ms)\n", draining);
    fs::remove_all(work);
    return row.phase == DrainPhase::ready ? 0 : 1;
}

// Renders the dashboard in fixed states to PNG files, for the documentation
// and for checking the layout by eye. Usage: slatewick-screenshots <folder>
#include "screenshotworld.h"

#include "coordinator/recentbatches.h"
#include "engine/drain/drainengine.h"
#include "model/batchmanifest.h"
#include "model/drainerror.h"
#include "model/isotime.h"
#include "ui/dashboardview.h"
#include "ui/recentbatchessection.h"
#include "ui/symbolicons.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

using namespace slatewick;

namespace {

const std::string slotA = "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:0";
const std::string slotB = "pci-0000:00:14.0-usb-0:2:1.0-scsi-0:0:0:1";
const std::string slotC = "pci-0000:00:14.0-usb-0:4:1.0-scsi-0:0:0:0";

bool save(const QPixmap &picture, const QDir &folder, const QString &name)
{
    const QString file = folder.filePath(name);
    if (!picture.save(file)) {
        std::fprintf(stderr, "Could not write %s.\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// Runs the event loop until the condition holds, or two seconds have passed.
void settle(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(2000);
    while (!condition() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

// The whole dashboard at the panel's width, as tall as its content.
QPixmap render(DrainModel &model, const std::function<void(DashboardView &)> &prepare = {})
{
    // The server folder is looked at off the main thread.
    settle([&] { return model.serverFolderKnown(); });
    DashboardView view(model);
    if (prepare)
        prepare(view);
    view.resize(540, 620);
    view.show();
    QApplication::processEvents();
    const int height = std::max(620, view.widget()->heightForWidth(540) > 0 ? view.widget()->heightForWidth(540)
                                                                            : view.widget()->sizeHint().height());
    view.resize(540, height);
    QApplication::processEvents();
    return view.grab();
}

QPixmap firstStart()
{
    ScreenshotWorld world;
    return render(world.start());
}

QPixmap setupWithCards()
{
    ScreenshotWorld world;
    const InsertedCard watched = world.mount("CARD01", slotA, "Generic", "STORAGE DEVICE");
    world.mount("EOS_DIGITAL", slotB, "Generic", "STORAGE DEVICE");
    DrainModel &model = world.start();
    DrainSettings settings = model.settings();
    settings.watchedSlots = {watched.slot(), CardSlot{slotC, "SD_BACKUP \u2014 " + slotC, "Kingston", "FCR-HS4", "usb"}};
    settings.namingTemplate = "{date}/{card}_{batch}";
    model.setSettings(settings);
    return render(model);
}

InsertedCard rowCard(ScreenshotWorld &world, const std::string &name)
{
    InsertedCard card;
    card.url = world.folder("media/" + name);
    card.displayName = name;
    return card;
}

// Set up as a studio has it: two slots watched and the server's incoming folder.
void watchTwoSlots(ScreenshotWorld &world, StagedModel &model, bool clearAfterCopy)
{
    DrainSettings settings = model.settings();
    settings.watchedSlots = {CardSlot{slotA, "CARD01 \u2014 " + slotA, "Generic", "STORAGE DEVICE", "usb"},
                             CardSlot{slotB, "EOS_DIGITAL \u2014 " + slotB, "Generic", "STORAGE DEVICE", "usb"}};
    settings.remoteDirectory = world.folder("studio-server/Incoming").string();
    settings.clearAfterCopy = clearAfterCopy;
    model.setSettings(settings);
}

QPixmap configuredWithRows()
{
    ScreenshotWorld world;
    StagedModel &model = world.start();
    watchTwoSlots(world, model, true);

    // Rows go in at the top, so the last one written is shown first.
    CardActivity waitingForServer(rowCard(world, "NIKON_D850"), DrainPhase::waiting,
                                  "Safe in the local cache (61.2 GB); sent when the server folder answers. "
                                  "Last try: 23:41.");
    waitingForServer.state = RowState::pendingServerCopy;
    model.stage(waitingForServer);
    CardActivity notCleared(rowCard(world, "SD_BACKUP"), DrainPhase::ready, 1.0,
                            "Verified 96 files in cache and server. The card was not cleared: it is locked or "
                            "read-only.");
    notCleared.state = RowState::copiedNotCleared;
    notCleared.batchURL = world.folder("cache/2026-12-04T23-12-02Z_SD_BACKUP_9F3E21C0");
    model.stage(notCleared);
    CardActivity ready(rowCard(world, "CARD01"), DrainPhase::ready, 1.0,
                       "Verified 214 files in cache and server. Card is ready for reuse.");
    ready.batchURL = world.folder("cache/2026-12-04T23-39-24Z_CARD01_A1B2C3D4");
    model.stage(ready);
    CardActivity copying(rowCard(world, "EOS_DIGITAL"), DrainPhase::copying, 0.4, "48 of 120 files");
    copying.progressLine = "24.6 GB of 61.5 GB \u00b7 92.4 MB/s \u00b7 7 min left";
    model.stage(copying);
    CardActivity waiting(rowCard(world, "CARD02"), DrainPhase::waiting, "Waiting 8 seconds in case this was accidental");
    waiting.state = RowState::gracePeriod;
    waiting.progressLine = "Starts in 6 s";
    model.stage(waiting);
    return render(model);
}

// A failed card beside a ready one: the header is not clean, as the tray says.
QPixmap failedBesideReady()
{
    ScreenshotWorld world;
    StagedModel &model = world.start();
    watchTwoSlots(world, model, false);
    CardActivity ready(rowCard(world, "CARD01"), DrainPhase::ready, 1.0,
                       "Verified 214 files in cache and server. Card is ready for reuse.");
    ready.batchURL = world.folder("cache/2026-12-04T23-39-24Z_CARD01_A1B2C3D4");
    model.stage(ready);
    model.stage(CardActivity(rowCard(world, "EOS_DIGITAL"), DrainPhase::failed,
                             DrainError::verificationFailed("local cache").what()));
    return render(model);
}

// The recent batches, from the records of a cache's batches.
QPixmap history()
{
    ScreenshotWorld world;
    DrainModel &model = world.start();
    DrainSettings settings = model.settings();
    settings.watchedSlots = {CardSlot{slotA, "CARD01 \u2014 " + slotA, "Generic", "STORAGE DEVICE", "usb"}};
    settings.remoteDirectory = world.folder("studio-server/Incoming").string();
    model.setSettings(settings);
    DrainEngine::Options options;
    options.stateFolder = world.folder("state");
    const auto engine = std::make_shared<DrainEngine>(world.folder("data"), options);
    const std::filesystem::path cache = engine->cacheRoot();
    const std::pair<const char *, int> batches[] = {{"EOS_DIGITAL", 412}, {"CARD01", 214}, {"NIKON_D850", 96}};
    int minutes = 0;
    for (const auto &[card, files] : batches) {
        BatchManifest manifest;
        manifest.sourceVolume = card;
        manifest.sourceDevice = "sdc1";
        manifest.createdAt = manifest.cachedAt = manifest.copiedToServerAt =
            std::chrono::system_clock::from_time_t(1'796'000'000 - 3600 * minutes++);
        manifest.files = files;
        manifest.bytes = std::int64_t(files) * 48'000'000;
        std::string name = isoTimeText(manifest.createdAt) + "_" + card;
        std::replace(name.begin(), name.end(), ':', '-');
        manifest.cachePath = (cache / name).string();
        manifest.remotePath = world.folder("studio-server/Incoming/" + name).string();
        std::filesystem::create_directories(cache / name);
        std::ofstream(cache / name / BatchManifest::fileName) << manifest.encoded();
    }
    // Batches written as an earlier version left them get their records here.
    engine->adoptEarlierRecords();
    RecentBatches recent(engine);
    return render(model, [&](DashboardView &view) {
        view.setRecentBatches(&recent);
        view.recentBatches()->setUnfolded(true);
        settle([&] { return recent.batches().size() == 3; });
    });
}

QPixmap launchMessage()
{
    ScreenshotWorld world;
    world.failLaunchAtLogin("Could not write /home/ana/.config/autostart/slatewick.desktop: Permission denied");
    return render(world.start());
}

// Every symbol at tray and row sizes, on a light and a dark panel.
QPixmap symbolSheet()
{
    const QStringList &names = SymbolIcons::names();
    const int cell = 64;
    QPixmap sheet(cell * 4, cell * static_cast<int>(names.size()));
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const int y = i * cell;
        painter.fillRect(cell * 2, y, cell * 2, cell, QColor(0x2b, 0x2d, 0x31));
        for (int dark = 0; dark < 2; ++dark) {
            const int x = dark * cell * 2;
            painter.drawPixmap(x + 6, y + 24, SymbolIcons::pixmap(names[i], 16));
            painter.drawPixmap(x + 28, y + 20, SymbolIcons::pixmap(names[i], 24));
            painter.drawPixmap(x + 64 + 8, y + 8, SymbolIcons::pixmap(names[i], 48));
        }
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: slatewick-screenshots <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "Could not create the folder %s.\n", argv[1]);
        return 1;
    }
    const std::pair<const char *, std::function<QPixmap()>> pictures[] = {
        {"first-start.png", firstStart},         {"setup-with-cards.png", setupWithCards},
        {"configured-activity.png", configuredWithRows}, {"launch-at-login-message.png", launchMessage},
        {"recent-batches.png", history},        {"failed-beside-ready.png", failedBesideReady},
        {"symbols.png", symbolSheet},
    };
    bool saved = true;
    for (const auto &[name, make] : pictures)
        saved = save(make(), folder, QString::fromLatin1(name)) && saved;
    return saved ? 0 : 1;
}

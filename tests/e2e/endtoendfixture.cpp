#include "e2e/endtoendfixture.h"

#include "model/settingsstore.h"
#include "platform/uniquefd.h"
#include "support/skipunless.h"

#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <regex>
#include <sstream>

namespace slatewick::testsupport {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// An Xvfb server for the whole test process, so the program runs with a real X display and
// no tray: it then shows its window, titled with its summary, which a test reads from outside.
struct VirtualDisplay {
    // Xvfb picks a free display and writes its number, on a line of its own, to this descriptor.
    const UniqueFd output{::memfd_create("xvfb-output", MFD_CLOEXEC)};
    const std::string outputPath = "/proc/self/fd/" + std::to_string(output.get());
    ProgramProcess server{"Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"}, {}, outputPath};
    std::string name; // ":N" once Xvfb runs

    VirtualDisplay()
    {
        waitUntil([&] {
            // Its complaints about displays already taken come first, on the same output.
            std::istringstream lines(readFile(outputPath));
            for (std::string line; std::getline(lines, line) && !lines.eof();)
                if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                    name = ":" + line;
            return !name.empty() || !server.running();
        });
    }
    // Asked to quit, so that it removes its lock file and socket.
    ~VirtualDisplay()
    {
        server.signal(SIGTERM);
        server.end(5s);
    }
};

VirtualDisplay &display()
{
    static VirtualDisplay shared;
    return shared;
}

} // namespace

void EndToEnd::SetUp()
{
    SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace(), loopDeviceRefusal());
    ASSERT_NE(display().name, "") << "No X display: "
                                  << (display().server.started() ? readFile(display().outputPath) : display().server.error());
    fs::create_directories(m_server);
}

void EndToEnd::TearDown()
{
    m_program.reset();
    if (HasFailure())
        std::printf("What the program printed:\n%s\n", readFile(m_dir / "program-output.txt").c_str());
}

EndToEnd::Card &EndToEnd::makeCard(const std::string &label, int files, std::int64_t fileBytes)
{
    Card &card = *m_cards.emplace_back(std::make_unique<Card>(
        Card{label, m_dir / ("staging-" + label), m_dir / (label + ".img"), m_dir / "media" / label, nullptr}));
    std::mt19937_64 random(std::hash<std::string>{}(label));
    std::string bytes(static_cast<std::size_t>(fileBytes), '\0');
    for (int i = 1; i <= files; ++i) {
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
        writeFile(card.staging / "DCIM/100SLATE" / ("IMG_" + std::to_string(1000 + i) + ".JPG"), bytes);
    }
    writeFile(card.staging / "MISC/notes.txt", "shot list for " + label + "\n");
    writeFile(card.staging / ".DS_Store", "view settings");
    writeFile(card.staging / ".Trashes/501/old.jpg", "trashed");
    const std::int64_t imageBytes = std::max<std::int64_t>(64 << 20, files * fileBytes * 2 + (32 << 20));
    card.disk = std::make_unique<Ext4Card>(card.image, label, imageBytes, card.staging);
    if (!card.disk->error().empty())
        throw std::runtime_error(card.disk->error());
    return card;
}

void EndToEnd::writeSettings(const std::vector<std::string> &loops, bool clearAfterCopy,
                             const std::string &namingTemplate)
{
    DrainSettings settings;
    for (const std::string &loop : loops) {
        const std::string fingerprint = "/devices/virtual/block/" + loop;
        settings.watchedSlots.push_back(
            {fingerprint, loop + " \u2014 " + fingerprint, "Unknown vendor", "Unknown reader", "Unknown"});
    }
    settings.remoteDirectory = m_server.string();
    settings.clearAfterCopy = clearAfterCopy;
    settings.namingTemplate = namingTemplate;
    settings.gracePeriodSeconds = 0;
    SettingsStore(KeyValueStore(m_dir / "config/Slatewick")).save(settings);
}

std::map<std::string, std::string> EndToEnd::programEnvironment() const
{
    // No session bus, and an address given so that none is started on the program's behalf
    // (an autolaunched bus outlives the program): what is proven here is all on disk.
    return {{"QT_QPA_PLATFORM", "xcb"},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (m_dir / "no-session-bus").string()},
            {"DISPLAY", display().name},
            {"HOME", m_dir.string()},
            {"XDG_CONFIG_HOME", (m_dir / "config").string()},
            {"XDG_DATA_HOME", (m_dir / "data").string()},
            {"XDG_STATE_HOME", (m_dir / "state").string()},
            {"XDG_RUNTIME_DIR", m_dir.string()}};
}

void EndToEnd::startProgram(std::map<std::string, std::string> environment)
{
    environment.merge(programEnvironment());
    // The autostart entry is written once the mount monitor listens.
    const fs::path autostart = m_dir / "config/autostart/slatewick.desktop";
    fs::remove(autostart);
    m_program = std::make_unique<ProgramProcess>(SLATEWICK_PROGRAM, std::vector<std::string>{}, environment,
                                                 m_dir / "program-output.txt");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(autostart) || !m_program->running(); }, 20s));
    ASSERT_TRUE(m_program->running()) << m_program->error() << readFile(m_dir / "program-output.txt");
}

void EndToEnd::expectDrainedOnce(const Card &card, bool cleared)
{
    ASSERT_TRUE(waitForManifests(2, 120s));
    ASSERT_TRUE(waitForSummary("Slatewick: Clean", 30s)) << summaryTitle();
    for (const fs::path &root : {cacheRoot(), m_server}) {
        ASSERT_EQ(batches(root).size(), 1u) << root;
        expectCompleteBatch(batches(root)[0], card, cleared);
    }
}

std::vector<EndToEnd::Window> EndToEnd::windows() const
{
    std::string tree;
    runProgram("xwininfo", {"-display", display().name, "-root", "-tree"}, &tree);
    // Lines read:   0x400005 "Slatewick: Ready": ("slatewick" "slatewick")  540x620+0+0  +0+0
    static const std::regex named(R"re((0x[0-9a-f]+) "(.*)": \(.*\)  (\d+)x)re");
    std::vector<Window> found;
    for (std::sregex_iterator line(tree.begin(), tree.end(), named), end; line != end; ++line)
        found.push_back({(*line)[1], (*line)[2], std::stoi((*line)[3])});
    return found;
}

std::string EndToEnd::summaryTitle() const
{
    for (const Window &window : windows())
        if (window.title.starts_with("Slatewick: "))
            return window.title;
    return "";
}

bool EndToEnd::waitForSummary(const std::string &title, std::chrono::milliseconds limit) const
{
    return waitUntil([&] { return summaryTitle() == title; }, limit);
}

void EndToEnd::expectQuitWithin(std::chrono::milliseconds limit)
{
    m_program->signal(SIGTERM);
    const std::optional<int> status = m_program->waitForExit(limit);
    ASSERT_TRUE(status) << "still running " << limit.count() << " ms after SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
}

std::vector<fs::path> EndToEnd::batches(const fs::path &root) const
{
    std::vector<fs::path> found;
    for (const std::string &name : entryNames(root))
        if (fs::is_directory(root / name))
            found.push_back(root / name);
    return found;
}

std::vector<fs::path> EndToEnd::manifests() const
{
    std::vector<fs::path> found;
    for (const fs::path &root : {cacheRoot(), m_server})
        for (const std::string &file : listedFiles(root, true))
            if (file.ends_with("/Slatewick-manifest.json"))
                found.push_back(root / file);
    return found;
}

bool EndToEnd::waitForManifests(std::size_t count, std::chrono::milliseconds limit) const
{
    return waitUntil([&] { return manifests().size() >= count; }, limit);
}

void EndToEnd::expectCompleteBatch(const fs::path &batch, const Card &card, bool cleared) const
{
    const auto expected = listedFiles(card.staging);
    auto inBatch = listedFiles(batch);
    std::erase(inBatch, "Slatewick-manifest.json");
    std::erase(inBatch, "Slatewick-checksums.xxh128");
    std::erase_if(inBatch, [](const std::string &file) { return file.starts_with("ascmhl/"); }); // the history
    EXPECT_EQ(inBatch, expected) << batch;
    std::int64_t bytes = 0;
    for (const auto &file : expected) {
        EXPECT_EQ(readFile(batch / file), readFile(card.staging / file)) << file;
        bytes += static_cast<std::int64_t>(fs::file_size(card.staging / file));
    }
    EXPECT_EQ(checksumsVerify(batch), "");
    const auto manifest = nlohmann::json::parse(readFile(batch / "Slatewick-manifest.json"));
    EXPECT_EQ(manifest["files"], expected.size());
    EXPECT_EQ(manifest["bytes"], bytes);
    EXPECT_EQ(manifest["cardCleared"], cleared);
    EXPECT_EQ(manifest["sourceVolume"], card.label);
    EXPECT_EQ(manifest["sourceDevice"], card.loop());
}

void EndToEnd::expectCardHoldsEverything(const fs::path &cardRoot, const Card &card) const
{
    for (const std::string &file : listedFiles(card.staging, true))
        EXPECT_EQ(readFile(cardRoot / file), readFile(card.staging / file)) << file;
}

} // namespace slatewick::testsupport

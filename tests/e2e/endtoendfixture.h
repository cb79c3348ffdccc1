#pragma once

#include "model/settingsstore.h"
#include "platform/uniquefd.h"
#include "support/files.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"
#include "support/skipunless.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace slatewick::testsupport {

namespace detail {

// An Xvfb server for the whole test process, so the program runs with a real X display and
// no tray: it then shows its window, titled with its summary, which a test reads from outside.
struct VirtualDisplay {
    // Xvfb picks a free display and writes its number, on a line of its own, to this descriptor.
    const UniqueFd output{::memfd_create("xvfb-output", MFD_CLOEXEC)};
    const std::string outputPath = "/proc/self/fd/" + std::to_string(output.get());
    ProgramProcess server{
        "Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"}, {}, outputPath};
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
        server.end(std::chrono::seconds(5));
    }
};

inline VirtualDisplay &display()
{
    static VirtualDisplay shared;
    return shared;
}

} // namespace detail

// The real program in a private mount namespace, with its own XDG folders, a
// settings document that watches one loop device's slot, and an ext4 card image
// on that device. Every check looks only at what the program leaves on disk.
class EndToEnd : public ::testing::Test {
protected:
    struct Card {
        std::string label;
        std::filesystem::path staging; // what was put on the card
        std::filesystem::path image;
        std::filesystem::path mountPoint;
        std::unique_ptr<Ext4Card> disk;

        std::string loop() const { return disk->loop().name(); }
    };
    // A window on the program's display, as xwininfo lists it.
    struct Window {
        std::string id;
        std::string title;
        int width;
    };

    void SetUp() override
    {
        SLATEWICK_SKIP_UNLESS_ALLOWED(enterPrivateMountNamespace(), loopDeviceRefusal());
        detail::VirtualDisplay &display = detail::display();
        ASSERT_NE(display.name, "") << "No X display: "
                                    << (display.server.started() ? readFile(display.outputPath)
                                                                 : display.server.error());
        std::filesystem::create_directories(m_server);
    }

    void TearDown() override
    {
        m_program.reset();
        if (HasFailure())
            std::printf("What the program printed:\n%s\n", readFile(m_dir / "program-output.txt").c_str());
    }

    std::filesystem::path cacheRoot() const { return m_dir / "data/Slatewick/Cache"; }

    // Files of the given size under DCIM, plus a MISC note and the protected names.
    Card &makeCard(const std::string &label, int files, std::int64_t fileBytes)
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

    // Watches the slots of the named loop devices; the server folder is m_server.
    void writeSettings(const std::vector<std::string> &loops, bool clearAfterCopy,
                       const std::string &namingTemplate = "{date}_{card}_{batch}")
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

    // The program's own XDG folders and display.
    std::map<std::string, std::string> programEnvironment() const
    {
        // No session bus, and an address given so that none is started on the program's behalf
        // (an autolaunched bus outlives the program): what is proven here is all on disk.
        return {{"QT_QPA_PLATFORM", "xcb"},
                {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (m_dir / "no-session-bus").string()},
                {"DISPLAY", detail::display().name},
                {"HOME", m_dir.string()},
                {"XDG_CONFIG_HOME", (m_dir / "config").string()},
                {"XDG_DATA_HOME", (m_dir / "data").string()},
                {"XDG_STATE_HOME", (m_dir / "state").string()},
                {"XDG_RUNTIME_DIR", m_dir.string()}};
    }

    void startProgram(std::map<std::string, std::string> environment = {})
    {
        environment.merge(programEnvironment());
        // The autostart entry is written once the mount monitor listens.
        const std::filesystem::path autostart = m_dir / "config/autostart/slatewick.desktop";
        std::filesystem::remove(autostart);
        m_program = std::make_unique<ProgramProcess>(SLATEWICK_PROGRAM, std::vector<std::string>{}, environment,
                                                     m_dir / "program-output.txt");
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(autostart) || !m_program->running(); },
                              std::chrono::seconds(20)));
        ASSERT_TRUE(m_program->running()) << m_program->error() << readFile(m_dir / "program-output.txt");
    }

    void mountCard(Card &card) { ASSERT_EQ(card.disk->mount(card.mountPoint), ""); }

    // Waits until both batches of the card are written and the program is clean again;
    // there is one batch in each root, and each is complete.
    void expectDrainedOnce(const Card &card, bool cleared)
    {
        ASSERT_TRUE(waitForManifests(2, std::chrono::seconds(120)));
        ASSERT_TRUE(waitForSummary("Slatewick: Clean", std::chrono::seconds(30))) << summaryTitle();
        for (const std::filesystem::path &root : {cacheRoot(), m_server}) {
            ASSERT_EQ(batches(root).size(), 1u) << root;
            expectCompleteBatch(batches(root)[0], card, cleared);
        }
    }

    std::vector<Window> windows() const
    {
        std::string tree;
        runProgram("xwininfo", {"-display", detail::display().name, "-root", "-tree"}, &tree);
        // Lines read:   0x400005 "Slatewick: Ready": ("slatewick" "slatewick")  540x620+0+0  +0+0
        static const std::regex named(R"re((0x[0-9a-f]+) "(.*)": \(.*\)  (\d+)x)re");
        std::vector<Window> found;
        for (std::sregex_iterator line(tree.begin(), tree.end(), named), end; line != end; ++line)
            found.push_back({(*line)[1], (*line)[2], std::stoi((*line)[3])});
        return found;
    }

    // The title of the program's window ("Slatewick: Ready", ...), empty while it has none.
    std::string summaryTitle() const
    {
        for (const Window &window : windows())
            if (window.title.starts_with("Slatewick: "))
                return window.title;
        return "";
    }

    bool waitForSummary(const std::string &title, std::chrono::milliseconds limit) const
    {
        return waitUntil([&] { return summaryTitle() == title; }, limit);
    }

    // SIGTERM ends the program within the limit, with status 0.
    void expectQuitWithin(std::chrono::milliseconds limit)
    {
        m_program->signal(SIGTERM);
        const std::optional<int> status = m_program->waitForExit(limit);
        ASSERT_TRUE(status) << "still running " << limit.count() << " ms after SIGTERM";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
    }

    // The batch folders directly under a root, in name order.
    std::vector<std::filesystem::path> batches(const std::filesystem::path &root) const
    {
        std::vector<std::filesystem::path> found;
        for (const std::string &name : entryNames(root))
            if (std::filesystem::is_directory(root / name))
                found.push_back(root / name);
        return found;
    }

    std::vector<std::filesystem::path> manifests() const
    {
        std::vector<std::filesystem::path> found;
        for (const std::filesystem::path &root : {cacheRoot(), m_server})
            for (const std::string &file : listedFiles(root, true))
                if (file.ends_with("/Slatewick-manifest.json"))
                    found.push_back(root / file);
        return found;
    }

    bool waitForManifests(std::size_t count, std::chrono::milliseconds limit) const
    {
        return waitUntil([&] { return manifests().size() >= count; }, limit);
    }

    // The batch holds exactly the card's listed files, byte for byte, its checksum file
    // passes xxh128sum --check, and its manifest names the card, its counts and the clearing.
    void expectCompleteBatch(const std::filesystem::path &batch, const Card &card, bool cleared) const
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
            bytes += static_cast<std::int64_t>(std::filesystem::file_size(card.staging / file));
        }
        EXPECT_EQ(checksumsVerify(batch), "");
        const auto manifest = nlohmann::json::parse(readFile(batch / "Slatewick-manifest.json"));
        EXPECT_EQ(manifest["files"], expected.size());
        EXPECT_EQ(manifest["bytes"], bytes);
        EXPECT_EQ(manifest["cardCleared"], cleared);
        EXPECT_EQ(manifest["sourceVolume"], card.label);
        EXPECT_EQ(manifest["sourceDevice"], card.loop());
    }

    // Every staged file is on the card as it was put there.
    void expectCardHoldsEverything(const std::filesystem::path &cardRoot, const Card &card) const
    {
        for (const std::string &file : listedFiles(card.staging, true))
            EXPECT_EQ(readFile(cardRoot / file), readFile(card.staging / file)) << file;
    }

    // Regular files anywhere under the root; none when it is missing.
    static std::size_t fileCount(const std::filesystem::path &root) { return listedFiles(root, true).size(); }

    // Declared so that the program ends first, then the cards go, then the folder.
    TempDir m_temp;
    const std::filesystem::path m_dir = m_temp.path();
    // The server folder the settings name: a local folder unless a test points it elsewhere.
    std::filesystem::path m_server = m_dir / "server";
    std::vector<std::unique_ptr<Card>> m_cards;
    std::unique_ptr<ProgramProcess> m_program;
};

} // namespace slatewick::testsupport

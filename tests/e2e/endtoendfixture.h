#pragma once

#include "support/files.h"
#include "support/loopdevice.h"
#include "support/programprocess.h"
#include "support/tempdir.h"
#include "support/waituntil.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace slatewick::testsupport {

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

    void SetUp() override;
    void TearDown() override;

    std::filesystem::path cacheRoot() const { return m_dir / "data/Slatewick/Cache"; }

    // Files of the given size under DCIM, plus a MISC note and the protected names.
    Card &makeCard(const std::string &label, int files, std::int64_t fileBytes);
    // Watches the slots of the named loop devices; the server folder is m_server.
    void writeSettings(const std::vector<std::string> &loops, bool clearAfterCopy,
                       const std::string &namingTemplate = "{date}_{card}_{batch}");
    // The program's own XDG folders and display.
    std::map<std::string, std::string> programEnvironment() const;
    void startProgram(std::map<std::string, std::string> environment = {});
    void mountCard(Card &card) { ASSERT_EQ(card.disk->mount(card.mountPoint), ""); }
    // Waits until both batches of the card are written and the program is clean again;
    // there is one batch in each root, and each is complete.
    void expectDrainedOnce(const Card &card, bool cleared);

    std::vector<Window> windows() const;
    // The title of the program's window ("Slatewick: Ready", ...), empty while it has none.
    std::string summaryTitle() const;
    bool waitForSummary(const std::string &title, std::chrono::milliseconds limit) const;
    // SIGTERM ends the program within the limit, with status 0.
    void expectQuitWithin(std::chrono::milliseconds limit);

    // The batch folders directly under a root, in name order.
    std::vector<std::filesystem::path> batches(const std::filesystem::path &root) const;
    std::vector<std::filesystem::path> manifests() const;
    bool waitForManifests(std::size_t count, std::chrono::milliseconds limit) const;

    // The batch holds exactly the card's listed files, byte for byte, its checksum file
    // passes xxh128sum --check, and its manifest names the card, its counts and the clearing.
    void expectCompleteBatch(const std::filesystem::path &batch, const Card &card, bool cleared) const;
    // Every staged file is on the card as it was put there.
    void expectCardHoldsEverything(const std::filesystem::path &cardRoot, const Card &card) const;
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

#include "engine/treecopy.h"

#include "engine/drainfixture.h"
#include "platform/filesystemerror.h"

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

namespace {

// Copies the listed files of a card into <card>-copy; returns the reports.
std::vector<Report> copyCard(const fs::path &card, const Inventory &listing)
{
    std::vector<Report> reports;
    const ProgressUpdate update = [&](DrainPhase phase, double progress, const std::string &detail) {
        reports.emplace_back(phase, progress, detail);
    };
    copyTree(card, card.string() + "-copy", listing, DrainPhase::caching, update, {});
    return reports;
}

} // namespace

TEST(CopyTree, ReportsProgressByBytesOrByCountWhenAllFilesAreEmptyAndNeverAboveOne)
{
    using enum DrainPhase;
    TempDir dir;
    writeFile(dir / "sized/B", std::string(300, 'b'));
    writeFile(dir / "sized/A", std::string(100, 'a'));
    EXPECT_EQ(copyCard(dir / "sized", inventory(dir / "sized")),
              (std::vector<Report>{{caching, 0.25, "1 of 2 files"}, {caching, 1.0, "2 of 2 files"}}));

    writeFile(dir / "empty/a", "");
    writeFile(dir / "empty/sub/b", "");
    EXPECT_EQ(copyCard(dir / "empty", inventory(dir / "empty")),
              (std::vector<Report>{{caching, 0.5, "1 of 2 files"}, {caching, 1.0, "2 of 2 files"}}));

    writeFile(dir / "grown/a", "12");
    const Inventory listing = inventory(dir / "grown");
    writeFile(dir / "grown/a", "123456");
    EXPECT_EQ(copyCard(dir / "grown", listing), (std::vector<Report>{{caching, 1.0, "1 of 1 files"}}));
}

TEST(CopyTree, AnExistingDestinationFileIsRefusedAndKept)
{
    TempDir dir;
    writeFile(dir / "card/a.jpg", "new");
    writeFile(dir / "card-copy/a.jpg", "old");
    try {
        copyCard(dir / "card", inventory(dir / "card"));
        ADD_FAILURE() << "the existing file was overwritten";
    } catch (const FileSystemError &error) {
        EXPECT_EQ(std::string(error.what()), "Could not copy " + (dir / "card-copy/a.jpg").string() + ": File exists");
    }
    EXPECT_EQ(readFile(dir / "card-copy/a.jpg"), "old");
}

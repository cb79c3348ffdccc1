#include "engine/treecopy.h"

#include "engine/contenthash.h"
#include "platform/cancellationerror.h"
#include "platform/filesystemerror.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <tuple>

using namespace slatewick;
using slatewick::testsupport::readFile;
using slatewick::testsupport::TempDir;
using slatewick::testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

using Report = std::tuple<DrainPhase, double, std::string>;

struct Recorder {
    std::vector<Report> reports;
    ProgressUpdate update()
    {
        return [this](DrainPhase phase, double progress, const std::string &detail) {
            reports.emplace_back(phase, progress, detail);
        };
    }
};

} // namespace

TEST(CopyTree, ReportsProgressByBytesOncePerFileInListingOrder)
{
    TempDir dir;
    writeFile(dir / "card/B", std::string(300, 'b'));
    writeFile(dir / "card/A", std::string(100, 'a'));
    const Inventory listing = inventory(dir / "card");
    Recorder recorder;
    copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, recorder.update(), {});
    const std::vector<Report> expected{{DrainPhase::caching, 0.25, "1 of 2 files"},
                                       {DrainPhase::caching, 1.0, "2 of 2 files"}};
    EXPECT_EQ(recorder.reports, expected);
    EXPECT_EQ(readFile(dir / "copy/A"), std::string(100, 'a'));
    EXPECT_EQ(readFile(dir / "copy/B"), std::string(300, 'b'));
}

TEST(CopyTree, ReportsProgressByCountWhenAllFilesAreEmpty)
{
    TempDir dir;
    for (const char *name : {"a", "b", "sub/c", "sub/deeper/d"})
        writeFile(dir / "card" / name, "");
    const Inventory listing = inventory(dir / "card");
    Recorder recorder;
    copyTree(dir / "card", dir / "copy", listing, DrainPhase::copying, recorder.update(), {});
    const std::vector<Report> expected{{DrainPhase::copying, 0.25, "1 of 4 files"},
                                       {DrainPhase::copying, 0.5, "2 of 4 files"},
                                       {DrainPhase::copying, 0.75, "3 of 4 files"},
                                       {DrainPhase::copying, 1.0, "4 of 4 files"}};
    EXPECT_EQ(recorder.reports, expected);
    EXPECT_TRUE(fs::is_regular_file(dir / "copy/sub/deeper/d"));
}

TEST(CopyTree, ProgressNeverExceedsOneWhenFilesGrew)
{
    TempDir dir;
    writeFile(dir / "card/a", "12");
    const Inventory listing = inventory(dir / "card");
    writeFile(dir / "card/a", "123456");
    Recorder recorder;
    copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, recorder.update(), {});
    ASSERT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(std::get<1>(recorder.reports[0]), 1.0);
}

TEST(CopyTree, AnEmptyListingCopiesAndReportsNothing)
{
    TempDir dir;
    Recorder recorder;
    EXPECT_TRUE(copyTree(dir / "card", dir / "copy", Inventory{}, DrainPhase::caching, recorder.update(), {}).empty());
    EXPECT_TRUE(recorder.reports.empty());
    EXPECT_FALSE(fs::exists(dir / "copy"));
}

TEST(CopyTree, ReturnsTheXxh128OfEachFileAsXxh128sumWritesIt)
{
    TempDir dir;
    writeFile(dir / "card/a", "a");
    writeFile(dir / "card/big", std::string(3 << 20, 'x') + "tail");
    const Inventory listing = inventory(dir / "card");
    Recorder recorder;
    const auto hashes = copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, recorder.update(), {});
    ASSERT_EQ(hashes.size(), 2u);
    EXPECT_EQ(hashes[0].hex(), "a96faf705af16834e6c632b61e964e1f");
    ContentHasher hasher;
    const std::string big = readFile(dir / "copy/big");
    hasher.update(big.data(), big.size());
    EXPECT_EQ(hashes[1], hasher.digest());
    EXPECT_EQ(big.size(), (3u << 20) + 4);
}

TEST(CopyTree, KeepsTheModificationTime)
{
    TempDir dir;
    writeFile(dir / "card/a.jpg", "a");
    const auto then = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(dir / "card/a.jpg", then);
    Recorder recorder;
    copyTree(dir / "card", dir / "copy", inventory(dir / "card"), DrainPhase::caching, recorder.update(), {});
    EXPECT_EQ(fs::last_write_time(dir / "copy/a.jpg"), then);
}

TEST(CopyTree, AStopRequestEndsTheCopyBeforeTheNextFile)
{
    TempDir dir;
    for (const char *name : {"1", "2", "3"})
        writeFile(dir / "card" / name, name);
    const Inventory listing = inventory(dir / "card");
    std::stop_source stop;
    int reports = 0;
    const ProgressUpdate update = [&](DrainPhase, double, const std::string &) {
        ++reports;
        stop.request_stop();
    };
    EXPECT_THROW(copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, update, stop.get_token()),
                 CancellationError);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(fs::exists(dir / "copy/1"));
    EXPECT_FALSE(fs::exists(dir / "copy/2"));

    std::stop_source already;
    already.request_stop();
    fs::remove_all(dir / "copy");
    EXPECT_THROW(copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, update, already.get_token()),
                 CancellationError);
    EXPECT_FALSE(fs::exists(dir / "copy/1"));
}

TEST(CopyTree, AnExistingDestinationFileIsRefused)
{
    TempDir dir;
    writeFile(dir / "card/a", "new a");
    writeFile(dir / "card/b", "new b");
    writeFile(dir / "copy/b", "old");
    Recorder recorder;
    try {
        copyTree(dir / "card", dir / "copy", inventory(dir / "card"), DrainPhase::caching, recorder.update(), {});
        FAIL() << "the existing file was overwritten";
    } catch (const FileSystemError &error) {
        EXPECT_EQ(std::string(error.what()), "Could not copy " + (dir / "copy/b").string() + ": File exists");
    }
    EXPECT_EQ(recorder.reports.size(), 1u);
    EXPECT_EQ(readFile(dir / "copy/b"), "old");
}

TEST(CopyTree, AFileReplacedByALinkIsNotFollowed)
{
    TempDir dir;
    writeFile(dir / "card/DCIM/a.jpg", "a");
    writeFile(dir / "outside/a.jpg", "secret");
    const Inventory listing = inventory(dir / "card");
    fs::remove_all(dir / "card/DCIM");
    fs::create_directory_symlink(dir / "outside", dir / "card/DCIM");
    Recorder recorder;
    try {
        copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, recorder.update(), {});
        FAIL() << "the link was followed";
    } catch (const FileSystemError &error) {
        EXPECT_EQ(error.path(), dir / "card/DCIM/a.jpg");
    }
    EXPECT_FALSE(fs::exists(dir / "copy/DCIM/a.jpg"));
}

TEST(CopyTree, AMissingSourceFileFailsNamingIt)
{
    TempDir dir;
    writeFile(dir / "card/a", "a");
    const Inventory listing = inventory(dir / "card");
    fs::remove(dir / "card/a");
    Recorder recorder;
    try {
        copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, recorder.update(), {});
        FAIL() << "copied a missing file";
    } catch (const FileSystemError &error) {
        EXPECT_EQ(std::string(error.what()),
                  "Could not copy " + (dir / "card/a").string() + ": No such file or directory");
    }
}

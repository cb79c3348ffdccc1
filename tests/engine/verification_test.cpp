#include "engine/verification.h"

#include "engine/readback.h"
#include "engine/treecopy.h"
#include "model/drainerror.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace slatewick;
using slatewick::testsupport::TempDir;
using slatewick::testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

bool eventually(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

const ProgressUpdate ignore = [](DrainPhase, double, const std::string &) {};

void flipFirstByte(const fs::path &file)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    const char first = static_cast<char>(stream.get());
    stream.seekp(0);
    stream.put(static_cast<char>(first ^ 0x01));
}

void expectVerificationFailure(const std::function<void()> &verify, const std::string &location)
{
    try {
        verify();
        FAIL() << "verified";
    } catch (const DrainError &error) {
        EXPECT_EQ(error, DrainError::verificationFailed(location));
        EXPECT_EQ(std::string(error.what()), "The copied files at " + location + " did not match the source.");
    }
}

struct Card {
    TempDir dir;
    Inventory listing;
    std::vector<ContentHash> hashes;
    fs::path card() const { return dir / "card"; }
    fs::path copy() const { return dir / "copy"; }

    Card()
    {
        writeFile(card() / "DCIM/a.jpg", std::string(5000, 'a'));
        writeFile(card() / "DCIM/b.jpg", std::string(3 << 20, 'b'));
        writeFile(card() / "c.txt", "c");
        listing = inventory(card());
        hashes = copyTree(card(), copy(), listing, DrainPhase::caching, ignore, {});
    }
};

} // namespace

TEST(VerifyCopy, AnExactCopyPasses)
{
    Card card;
    EXPECT_NO_THROW(verifyCopy(card.copy(), card.listing, card.hashes, "local cache"));
}

TEST(VerifyCopy, ASameSizeCorruptionFailsWithTheLocation)
{
    Card card;
    flipFirstByte(card.copy() / "DCIM/b.jpg");
    expectVerificationFailure([&] { verifyCopy(card.copy(), card.listing, card.hashes, "remote server"); },
                              "remote server");
}

TEST(VerifyCopy, ListingDifferencesFail)
{
    {
        Card card;
        writeFile(card.copy() / "extra.jpg", "");
        expectVerificationFailure([&] { verifyCopy(card.copy(), card.listing, card.hashes, "local cache"); },
                                  "local cache");
    }
    {
        Card card;
        fs::remove(card.copy() / "c.txt");
        expectVerificationFailure([&] { verifyCopy(card.copy(), card.listing, card.hashes, "local cache"); },
                                  "local cache");
    }
    {
        Card card;
        fs::rename(card.copy() / "c.txt", card.copy() / "d.txt");
        expectVerificationFailure([&] { verifyCopy(card.copy(), card.listing, card.hashes, "local cache"); },
                                  "local cache");
    }
    {
        Card card;
        writeFile(card.copy() / "c.txt", "cc");
        expectVerificationFailure([&] { verifyCopy(card.copy(), card.listing, card.hashes, "local cache"); },
                                  "local cache");
    }
}

TEST(VerifyCopy, HiddenEntriesInTheCopyDoNotDisturbIt)
{
    Card card;
    writeFile(card.copy() / ".DS_Store", "view settings");
    EXPECT_NO_THROW(verifyCopy(card.copy(), card.listing, card.hashes, "local cache"));
}

TEST(VerifyCopy, AVanishedCopyIsAnUnavailableSource)
{
    Card card;
    fs::remove_all(card.copy());
    try {
        verifyCopy(card.copy(), card.listing, card.hashes, "local cache");
        FAIL() << "verified";
    } catch (const DrainError &error) {
        EXPECT_EQ(error.kind(), DrainError::Kind::sourceUnavailable);
    }
}

TEST(VerifyCopy, OverlappedReadBackGivesTheSameOutcome)
{
    TempDir dir;
    for (int i = 0; i < 40; ++i)
        writeFile(dir / "card" / ("f" + std::to_string(100 + i)), std::string(1000 + i * 4096, char('a' + i % 26)));
    const Inventory listing = inventory(dir / "card");
    fs::create_directories(dir / "copy");
    ReadBack readBack(dir / "copy", listing, false);
    const auto hashes = copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, ignore, {},
                                 {nullptr, &readBack});
    EXPECT_NO_THROW(verifyCopy(dir / "copy", listing, hashes, "local cache", &readBack));
}

TEST(VerifyCopy, AFileChangedAfterItsOverlappedReadIsReadAgain)
{
    TempDir dir;
    for (int i = 0; i < 5; ++i)
        writeFile(dir / "card" / ("f" + std::to_string(i)), std::string(70000, char('a' + i)));
    const Inventory listing = inventory(dir / "card");
    fs::create_directories(dir / "copy");
    // Every file is read back on its own, as soon as it is handed over.
    ReadBack readBack(dir / "copy", listing, false, ReadBack::Grouping{1, 1});
    int reported = 0;
    const ProgressUpdate corrupt = [&](DrainPhase, double, const std::string &) {
        if (++reported < 5)
            return;
        // The first four files have been read back; the first one changes afterwards.
        ASSERT_TRUE(eventually([&] { return readBack.completed() == 4; }));
        flipFirstByte(dir / "copy/f0");
    };
    const auto hashes = copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, corrupt, {},
                                 {nullptr, &readBack});
    expectVerificationFailure([&] { verifyCopy(dir / "copy", listing, hashes, "local cache", &readBack); },
                              "local cache");
}

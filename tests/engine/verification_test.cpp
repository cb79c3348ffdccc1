#include "engine/verification.h"

#include "engine/drainfixture.h"
#include "engine/readback.h"
#include "engine/treecopy.h"

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

namespace {

// Copies five files and verifies the copy, with or without a read-back that reads
// each as soon as it is handed over. corrupt flips a byte of the first copied
// file after it was read back (in the last file's report).
void copyAndVerify(bool overlapped, bool corrupt)
{
    TempDir dir;
    for (int i = 0; i < 5; ++i)
        writeFile(dir / "card" / ("f" + std::to_string(i)), std::string(70000, static_cast<char>('a' + i)));
    const Inventory listing = inventory(dir / "card");
    fs::create_directories(dir / "copy");
    ReadBack readBack(dir / "copy", listing, false, ReadBack::Grouping{1, 1});
    ReadBack *const overlap = overlapped ? &readBack : nullptr;
    int reports = 0;
    const ProgressUpdate update = [&](DrainPhase, double, const std::string &) {
        if (++reports < 5 || !corrupt)
            return;
        if (overlapped && !waitUntil([&] { return readBack.completed() == 4; }))
            throw std::runtime_error("the read-back did not read the first four files");
        flipFirstByte(dir / "copy/f0");
    };
    const auto hashes =
        copyTree(dir / "card", dir / "copy", listing, DrainPhase::caching, update, {}, {nullptr, overlap});
    verifyCopy(dir / "copy", listing, hashes, "local cache", overlap);
}

} // namespace

TEST(VerifyCopy, AnExactCopyVerifiesAndASameSizeCorruptionFailsWithAndWithoutOverlappedReadBack)
{
    for (const bool overlapped : {false, true}) {
        EXPECT_NO_THROW(copyAndVerify(overlapped, false)) << "overlapped: " << overlapped;
        try {
            copyAndVerify(overlapped, true);
            ADD_FAILURE() << "a corrupted copy verified; overlapped: " << overlapped;
        } catch (const DrainError &error) {
            EXPECT_EQ(std::string(error.what()), "The copied files at local cache did not match the source.");
        }
    }
}

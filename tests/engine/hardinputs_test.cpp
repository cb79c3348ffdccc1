// Cards no camera writes but a drain must still get right: odd names, deep
// trees, huge sparse files. Each drains and verifies, or fails with a sentence.
#include "engine/drainfixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

namespace {

void expectSameFiles(const fs::path &copy, const fs::path &card, const std::vector<std::string> &names)
{
    for (const auto &name : names)
        EXPECT_EQ(readFile(copy / name), readFile(card / name)) << name;
}

} // namespace

TEST(HardInputs, OddNamesAndADeepTreeDrainAndVerify)
{
    DrainWorld world;
    std::vector<std::string> names = {
        "DCIM/\u00dcbersicht/\u65e5\u672c\u8a9e.jpg",
        "DCIM/caf\u00e9.jpg",  // composed
        "DCIM/cafe\u0301.jpg", // decomposed: another file on Linux
        "DCIM/line\nbreak.jpg",
        "DCIM/back\\slash.jpg",
        "DCIM/" + std::string(251, 'n') + ".JPG",
    };
    std::string deep = "DEEP";
    for (int level = 0; level < 200; ++level)
        deep += "/level" + std::to_string(level);
    names.push_back(deep + "/bottom.jpg");
    for (std::size_t i = 0; i < names.size(); ++i)
        writeFile(world.card / names[i], "content " + std::to_string(i));

    const auto outcome = world.drain();
    EXPECT_EQ(outcome.files, static_cast<std::int64_t>(names.size()));
    expectSameFiles(outcome.batchURL, world.card, names);
    expectSameFiles(outcome.remoteURL, world.card, names);
    EXPECT_TRUE(fs::exists(outcome.remoteURL / "Slatewick-manifest.json"));
}

TEST(HardInputs, APathBeyondTheSystemLimitIsRefusedWithASentence)
{
    // Made folder by folder, relative to the last: the whole path is longer
    // than PATH_MAX, so no call can name it from the root.
    DrainWorld world;
    writeFile(world.card / "DCIM/ok.jpg", "ok");
    int folder = ::open(world.card.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    const std::string component(200, 'd');
    for (int level = 0; level < 22; ++level) {
        ASSERT_EQ(::mkdirat(folder, component.c_str(), 0755), 0);
        const int next = ::openat(folder, component.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        ASSERT_GE(next, 0);
        folder = next;
    }
    const int file = ::openat(folder, "far.jpg", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
    ::close(folder);

    try {
        world.drain();
        ADD_FAILURE() << "a path the system cannot name was drained";
    } catch (const std::exception &failure) {
        const std::string text = failure.what();
        EXPECT_EQ(text.rfind("Could not ", 0), 0u) << text;
        EXPECT_NE(text.find("File name too long"), std::string::npos) << text;
    }
    EXPECT_FALSE(fs::exists(world.server / "CARD01" / "Slatewick-manifest.json"));
    EXPECT_EQ(readFile(world.card / "DCIM/ok.jpg"), "ok");
}

TEST(HardInputs, AFiveGiBSparseFileKeepsItsHolesAndVerifies)
{
    DrainWorld world;
    const fs::path sparse = world.card / "VIDEO/CLIP0001.MXF";
    const std::int64_t size = std::int64_t(5) << 30;
    fs::create_directories(sparse.parent_path());
    {
        std::ofstream out(sparse, std::ios::binary);
        out << "header";
        out.seekp(size / 2);
        out << "middle";
        out.seekp(size - 7);
        out << "trailer";
    }
    ASSERT_EQ(static_cast<std::int64_t>(fs::file_size(sparse)), size);
    writeFile(world.card / "VIDEO/CLIP0001.XML", "<clip/>");

    const auto outcome = world.drain();
    EXPECT_EQ(outcome.bytes, size + 7);
    for (const fs::path &batch : {outcome.batchURL, outcome.remoteURL}) {
        const fs::path copy = batch / "VIDEO/CLIP0001.MXF";
        ASSERT_EQ(static_cast<std::int64_t>(fs::file_size(copy)), size);
        struct stat st {};
        ASSERT_EQ(::stat(copy.c_str(), &st), 0);
        EXPECT_LT(st.st_blocks * 512, std::int64_t(64) << 20) << "the holes stayed holes";
        std::ifstream in(copy, std::ios::binary);
        std::string piece(6, '\0');
        in.seekg(size / 2);
        in.read(piece.data(), 6);
        EXPECT_EQ(piece, "middle");
    }
}

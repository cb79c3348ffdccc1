#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/keyvaluestore.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <functional>

using namespace slatewick;
using namespace slatewick::testsupport;
namespace fs = std::filesystem;

TEST(FileOps, FailuresNameTheOperationThePathAndTheSystemsReason)
{
    TempDir dir;
    writeFile(dir / "file", "x");
    const std::string missing = (dir / "missing").string();
    const std::pair<std::function<void()>, std::string> failures[] = {
        {[&] { fileops::readFile(missing); }, "Could not read " + missing + ": No such file or directory"},
        {[&] { fileops::createDirectories(dir / "file/sub"); },
         "Could not create folder " + (dir / "file/sub").string() + ": Not a directory"},
    };
    for (const auto &[call, sentence] : failures) {
        try {
            call();
            ADD_FAILURE() << "no failure: " << sentence;
        } catch (const FileSystemError &error) {
            EXPECT_EQ(error.what(), sentence);
        }
    }
}

TEST(KeyValueStore, MissingKeyDiffersFromEmptyValueAndWritesAreAtomic)
{
    TempDir dir;
    KeyValueStore store(dir / "config/Slatewick");
    EXPECT_EQ(store.read("k"), std::nullopt);
    store.write("k", "");
    EXPECT_EQ(store.read("k"), "");
    store.write("k", "value");
    EXPECT_EQ(store.read("k"), "value");
    EXPECT_EQ(std::distance(fs::directory_iterator(store.folder()), fs::directory_iterator()), 1);
}

#include "platform/fileops.h"
#include "platform/filesystemerror.h"
#include "platform/keyvaluestore.h"
#include "support/files.h"
#include "support/tempdir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace slatewick;
using namespace slatewick::testsupport;
using ::testing::StrEq;
using ::testing::ThrowsMessage;
namespace fs = std::filesystem;

TEST(FileOps, FailuresNameTheOperationThePathAndTheSystemsReason)
{
    TempDir dir;
    writeFile(dir / "file", "x");
    const std::string missing = (dir / "missing").string();
    EXPECT_THAT([&] { fileops::readFile(missing); },
                ThrowsMessage<FileSystemError>(StrEq("Could not read " + missing + ": No such file or directory")));
    EXPECT_THAT([&] { fileops::createDirectories(dir / "file/sub"); },
                ThrowsMessage<FileSystemError>(
                    StrEq("Could not create folder " + (dir / "file/sub").string() + ": Not a directory")));
}

TEST(KeyValueStore, MissingKeyDiffersFromEmptyValueAndWritesAreAtomic)
{
    TempDir dir;
    KeyValueStore store(dir / "config/Slatewick");
    EXPECT_EQ(store.read("k"), std::nullopt);
    store.write("k", "old");
    // A reader holding the old file still reads it whole: the name was given a new file, not rewritten in place.
    std::ifstream old(store.folder() / "k");
    store.write("k", "");
    EXPECT_EQ(store.read("k"), "");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(store.folder()), fs::directory_iterator()), 1);
}

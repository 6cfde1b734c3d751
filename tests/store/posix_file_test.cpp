// The real file layer: locks that survive another opening's close, errno codes, file name
// matching.
#include <gtest/gtest.h>

#include <filesystem>

#include "store/file.h"
#include "store_fixture.h"

namespace korvana::store::testing {
namespace {

TEST(PosixFile, LocksBelongToTheirOpeningAndSurviveClosingAnother) {
    TempDir dir{"store"};
    const std::string path = dir.file("f");
    writeBytes(path, std::string(100, 'x'));
    FileSystem& fs = posixFileSystem();
    int error = 0;
    auto holder = fs.open(path, &error);
    auto second = fs.open(path, &error);
    ASSERT_TRUE(holder && second);
    ASSERT_EQ(holder->lock(16, 1), 0);
    EXPECT_EQ(second->lock(16, 1), -13);
    EXPECT_EQ(second->lock(0, 0), -13);  // the whole file overlaps
    EXPECT_EQ(second->lock(17, 1), 0);   // another byte is free
    ASSERT_EQ(second->unlock(17, 1), 0);
    // Closing another descriptor of the same file in this process keeps the lock (a classic
    // fcntl lock would be gone now).
    second.reset();
    auto third = fs.open(path, &error);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->lock(16, 1), -13);
    ASSERT_EQ(holder->unlock(16, 1), 0);
    EXPECT_EQ(third->lock(0, 0), 0);
}

TEST(PosixFile, ReadsWritesAndLengths) {
    TempDir dir{"store"};
    int error = 0;
    auto file = posixFileSystem().create(dir.file("f"), &error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->length(), 0);
    ASSERT_EQ(file->writeAt(10, "abc", 3), 0);
    EXPECT_EQ(file->length(), 13);
    char buffer[8] = {};
    EXPECT_EQ(file->readAt(9, buffer, 8), 4);  // short only at the end
    EXPECT_EQ(std::string(buffer, 4), std::string("\0abc", 4));
    EXPECT_EQ(file->readAt(20, buffer, 8), 0);
    ASSERT_EQ(file->truncate(11), 0);
    EXPECT_EQ(readBytes(dir.file("f")), std::string(10, '\0') + "a");
    EXPECT_EQ(file->sync(), 0);
    // create truncates an existing file.
    auto again = posixFileSystem().create(dir.file("f"), &error);
    EXPECT_EQ(again->length(), 0);
}

TEST(PosixFile, MapsErrorsToFileSystemCodes) {
    TempDir dir{"store"};
    writeBytes(dir.file("plain"), "x");
    std::filesystem::create_directory(dir.file("folder"));
    struct Case {
        std::string path;
        int code;
    };
    for (const Case& c : std::vector<Case>{{dir.file("missing"), -3},
                                           {dir.file("nodir/f"), -3},
                                           {dir.file("plain/f"), -4},
                                           {dir.file(std::string(300, 'n')), -4},
                                           {dir.file("folder"), -6},
                                           {"", -4}}) {
        SCOPED_TRACE(c.path);
        int error = 0;
        EXPECT_EQ(posixFileSystem().open(c.path, &error), nullptr);
        EXPECT_EQ(error, c.code);
    }
}

TEST(MatchFileName, ExactNameFirstThenAnyCaseOfASCIILetters) {
    TempDir dir{"store"};
    for (const char* name : {"Data.EDB", "data.edb", "Other.EDB", "单位库.EDB"})
        writeBytes(dir.file(name), "x");
    FileSystem& fs = posixFileSystem();
    struct Case {
        const char* asked;
        const char* found;
    };
    for (const Case& c : std::vector<Case>{{"data.edb", "data.edb"},
                                           {"Data.EDB", "Data.EDB"},
                                           {"DATA.Edb", "Data.EDB"},  // the first match, sorted
                                           {"other.edb", "Other.EDB"},
                                           {"单位库.edb", "单位库.EDB"},
                                           {"none.edb", "none.edb"}}) {
        SCOPED_TRACE(c.asked);
        EXPECT_EQ(matchFileName(fs, dir.file(c.asked)), dir.file(c.found));
    }
}

}  // namespace
}  // namespace korvana::store::testing

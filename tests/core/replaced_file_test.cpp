#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>

#include "platform/replaced_file.h"
#include "platform/store_error.h"
#include "support/mounts.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::Mount;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

// The names in a folder, to see that no temporary file stays behind.
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

}  // namespace

TEST(ReplacedFile, HoldsExactlyTheNewBytesWhateverWasThere) {
    TempDir dir;
    const std::string path = dir / "list.txt";
    for (const std::string old : {"", "a much longer old text than the new one\r\n", "ab"}) {
        std::filesystem::remove(path);
        if (!old.empty()) writeBytes(path, old);
        ReplacedFile file(path, Durability::RebuiltByAnalysis);
        file.write("new ");
        // Until the commit a reader sees the old file.
        EXPECT_EQ(readBytes(path), old);
        file.write("text\r\n");
        file.commit();
        EXPECT_EQ(readBytes(path), "new text\r\n") << old;
        EXPECT_EQ(namesIn(dir.str()), std::set<std::string>{"list.txt"});
    }
}

TEST(ReplacedFile, LeftWithoutCommitTheOldFileStaysAndTheTemporaryGoes) {
    TempDir dir;
    const std::string path = dir / "list.txt";
    writeBytes(path, "old\r\n");
    try {
        ReplacedFile file(path);
        file.write("half of the new");
        throw std::runtime_error("the analysis stopped");
    } catch (const std::runtime_error&) {}
    EXPECT_EQ(readBytes(path), "old\r\n");
    EXPECT_EQ(namesIn(dir.str()), std::set<std::string>{"list.txt"});
}

// Each way a replacement can fail, at the opening, the writing or the
// rename: a store error with the final path and the system's reason, the
// old file as it was and no temporary file left.
TEST(ReplacedFile, EveryFailureNamesThePathAndLeavesNoTrace) {
    struct Case {
        const char* what;
        const char* reason;
        std::function<std::string(const TempDir&)> prepare;  // the path to replace
    };
    const std::vector<Case> cases{
        {"a plain file where the folder belongs", "Not a directory",
         [](const TempDir& d) {
             writeBytes(d / "Results", "a file");
             return d / "Results/list.txt";
         }},
        {"a missing folder", "No such file or directory", [](const TempDir& d) { return d / "missing/list.txt"; }},
        {"a name too long", "File name too long",
         [](const TempDir& d) { return d / (std::string(300, 'n') + ".txt"); }},
        // The rename itself fails: a non-empty folder has the file's name.
        {"a folder in the file's place", "Is a directory",
         [](const TempDir& d) {
             writeBytes(d / "list.txt/inside", "kept");
             return d / "list.txt";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.prepare(dir);
        const auto before = namesIn(dir.str());
        try {
            replaceFile(path, "new bytes\r\n");
            ADD_FAILURE() << "no error";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.path(), path);
            EXPECT_EQ(e.reason(), c.reason);
            EXPECT_EQ(std::string(e.what()), "Could not write " + path + ": " + c.reason);
        }
        EXPECT_EQ(namesIn(dir.str()), before);
        EXPECT_FALSE(writeFileAtomically(path, "new bytes\r\n"));
        EXPECT_EQ(namesIn(dir.str()), before);
    }
}

TEST(ReplacedFile, AFullDiskKeepsTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string folder = dir / "tiny";
    fs::create_directories(folder);
    auto tiny = Mount::tinyTmpfs(folder, "64k");
    if (!tiny) GTEST_SKIP() << "needs root and tmpfs";
    const std::string path = folder + "/list.txt";
    writeBytes(path, "old\r\n");
    ReplacedFile file(path);
    try {
        file.write(std::string(256 * 1024, 'x'));
        ADD_FAILURE() << "no error";
    } catch (const StoreError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not write " + path + ": No space left on device");
    }
    EXPECT_THROW(file.commit(), StoreError);
    EXPECT_EQ(readBytes(path), "old\r\n");
    EXPECT_EQ(namesIn(folder), std::set<std::string>{"list.txt"});
}

TEST(ReplacedFile, AReadOnlyFolderIsReportedAsSuch) {
    TempDir dir;
    const std::string folder = dir / "store";
    writeBytes(folder + "/list.txt", "old\r\n");
    auto readOnly = Mount::readOnly(folder);
    if (!readOnly) GTEST_SKIP() << "needs root and bind mounts";
    try {
        replaceFile(folder + "/list.txt", "new\r\n");
        ADD_FAILURE() << "no error";
    } catch (const StoreError& e) { EXPECT_EQ(e.reason(), "Read-only file system"); }
    EXPECT_EQ(readBytes(folder + "/list.txt"), "old\r\n");
}

TEST(AppendToFile, AddsToTheEndAndReportsAFolderThatIsAFile) {
    TempDir dir;
    appendToFile(dir / "event.lst", "a\r\n");
    appendToFile(dir / "event.lst", "b\r\n");
    EXPECT_EQ(readBytes(dir / "event.lst"), "a\r\nb\r\n");
    writeBytes(dir / "Temp", "a file");
    EXPECT_THROW(appendToFile(dir / "Temp/event.lst", "a\r\n"), StoreError);
}

TEST(ReplaceFileUnlessSame, RewritesOnlyWhatChanged) {
    TempDir dir;
    const std::string path = dir / "digest.txt";
    EXPECT_TRUE(replaceFileUnlessSame(path, "first\r\n"));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    // The same bytes: the file is left as it is, not even renamed over.
    EXPECT_FALSE(replaceFileUnlessSame(path, "first\r\n"));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);

    // Other bytes of the same length, a longer and a shorter text, and none.
    for (const std::string bytes : {"firsT\r\n", "first\r\nsecond\r\n", "f", ""}) {
        EXPECT_TRUE(replaceFileUnlessSame(path, bytes));
        EXPECT_EQ(readBytes(path), bytes);
    }
    EXPECT_EQ(namesIn(dir.str()), std::set<std::string>{"digest.txt"});
}

TEST(ReplaceFileUnlessSame, ALinkHoldingTheSameBytesIsReplacedNotFollowed) {
    TempDir dir;
    const std::string outside = dir / "outside.txt";
    writeBytes(outside, "same\r\n");
    const std::string path = dir / "chart.txt";
    fs::create_symlink(outside, path);
    EXPECT_TRUE(replaceFileUnlessSame(path, "same\r\n"));
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(readBytes(path), "same\r\n");
    EXPECT_EQ(readBytes(outside), "same\r\n");
}

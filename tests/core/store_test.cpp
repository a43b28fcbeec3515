#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/store_error.h"
#include "platform/text.h"
#include "shell/store.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;

TEST(DirExists, TrueForDirectoriesAndPlainFilesOfThatName) {
    TempDir t;
    EXPECT_TRUE(DirExists(t.str()));
    writeBytes(t / "Results", "not a folder");
    EXPECT_TRUE(DirExists(t / "Results"));
    EXPECT_FALSE(DirExists(t / "missing"));
}

TEST(FileExists, NeverCreatesAndIsFalseForFolders) {
    TempDir t;
    EXPECT_FALSE(FileExists(t / "config.txt"));
    EXPECT_FALSE(fs::exists(t / "config.txt"));
    EXPECT_FALSE(FileExists(t / "no/such/folder/file.txt"));
    EXPECT_FALSE(FileExists(t.str()));
    writeBytes(t / "config.txt", "");
    EXPECT_TRUE(FileExists(t / "config.txt"));
}

TEST(KillFolder, RemovesEverythingWithOrWithoutTrailingSeparator) {
    TempDir t;
    writeBytes(t / "a/sub/file.txt", "x");
    fs::permissions(t / "a/sub/file.txt", fs::perms::owner_read, fs::perm_options::replace);
    EXPECT_TRUE(KillFolder(t / "a/"));
    EXPECT_FALSE(fs::exists(t / "a"));

    writeBytes(t / "b/file.txt", "x");
    EXPECT_TRUE(KillFolder(t / "b"));
    EXPECT_FALSE(fs::exists(t / "b"));

    EXPECT_FALSE(KillFolder(t / "missing"));
    EXPECT_FALSE(KillFolder(t / "missing/"));
    writeBytes(t / "plain", "x");
    EXPECT_FALSE(KillFolder(t / "plain"));
    EXPECT_TRUE(fs::exists(t / "plain"));
}

TEST(MemberIds, OnlyEightDigitsMayBuildAPath) {
    EXPECT_TRUE(isSafeMemberId("12345678"));
    EXPECT_FALSE(isSafeMemberId("../../x"));
    EXPECT_FALSE(isSafeMemberId("1234567"));
    EXPECT_FALSE(isSafeMemberId("1234567a"));
    EXPECT_FALSE(isSafeMemberId(" 1234567"));
}

TEST(Settings, GroupsOfSixWithTheLastCompleteGroupInForce) {
    TempDir t;
    const std::string path = t / "default.txt";
    writeBytes(path, "");
    EXPECT_FALSE(readSettings(path));
    EXPECT_FALSE(readSettings(t / "missing.txt"));

    writeBytes(path, "12345678 -- JOHN SMITH\r\n150\r\n 3 \r\n 4 \r\n 6 \r\n 5 \r\n");
    auto six = readSettings(path);
    ASSERT_TRUE(six);
    EXPECT_EQ(six->idBoxText, "12345678 -- JOHN SMITH");
    EXPECT_EQ(six->highLowRange, "150");
    EXPECT_EQ(six->sortColumn, 3);
    EXPECT_EQ(six->sortCode, 4);
    EXPECT_EQ(six->individualColumn, 6);
    EXPECT_EQ(six->individualSortCode, 5);

    writeBytes(path, "first\r\n100\r\n 1 \r\n 3 \r\n 0 \r\n 5 \r\nsecond\r\n200\r\n 7 \r\n 4 \r\n 2 \r\n 6 \r\n");
    auto twelve = readSettings(path);
    ASSERT_TRUE(twelve);
    EXPECT_EQ(twelve->idBoxText, "second");
    EXPECT_EQ(twelve->sortColumn, 7);
    EXPECT_EQ(twelve->individualSortCode, 6);

    // An interrupted second group: the first stays in force.
    writeBytes(path, "first\r\n100\r\n 1 \r\n 3 \r\n 0 \r\n 5 \r\nsecond\r\n200\r\n");
    auto eight = readSettings(path);
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->idBoxText, "first");
    EXPECT_EQ(eight->sortCode, 3);
}

TEST(Settings, WrittenInThePrintFormWithCrLf) {
    TempDir t;
    const std::string path = t / "default.txt";
    writeSettings(path, {"12345678 -- JOHN SMITH", "100", 3, 4, 0, 5});
    EXPECT_EQ(readBytes(path), "12345678 -- JOHN SMITH\r\n100\r\n 3 \r\n 4 \r\n 0 \r\n 5 \r\n");
    EXPECT_FALSE(fs::exists(path + ".partial"));
}

TEST(IdList, ShortLinesAndDuplicatesAreKept) {
    TempDir t;
    writeBytes(t / "config.txt", "12345678 -- JOHN SMITH\r\n1234\r\n12345678 -- J SMITH\r\n");
    auto list = readIdList(t / "config.txt");
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (std::vector<std::string>{"12345678 -- JOHN SMITH", "1234", "12345678 -- J SMITH"}));
    EXPECT_FALSE(readIdList(t / "missing.txt"));
}

TEST(IdList, AnInterruptedRewriteLeavesTheOldListWhole) {
    TempDir t;
    const std::string path = t / "config.txt";
    writeBytes(path, "12345678 -- JOHN SMITH\r\n");
    // A directory in the place of the temporary file makes the write fail
    // the way a crash between write and rename would leave things.
    fs::create_directories(path + ".partial/blocker");
    EXPECT_THROW(writeIdList(path, {"87654321 -- NEW ENTRY"}), StoreError);
    EXPECT_EQ(readBytes(path), "12345678 -- JOHN SMITH\r\n");
    fs::remove_all(path + ".partial");
    writeIdList(path, {"87654321 -- NEW ENTRY"});
    EXPECT_EQ(readBytes(path), "87654321 -- NEW ENTRY\r\n");
}

TEST(StoreRoot, CommandLineThenEnvironmentThenHome) {
    ::setenv("KRV_HOME", "/tmp/krv-env-root/", 1);
    EXPECT_EQ(resolveStoreRoot(std::string("/data/store/")), "/data/store");
    EXPECT_EQ(resolveStoreRoot(std::nullopt), "/tmp/krv-env-root");
    ::unsetenv("KRV_HOME");
    ::setenv("HOME", "/home/player", 1);
    EXPECT_EQ(resolveStoreRoot(std::nullopt), "/home/player/KRV");
}

TEST(IdList, AKilledWriterNeverLeavesAHalfWrittenList) {
    TempDir t;
    const std::string path = t / "config.txt";
    const std::vector<std::string> oldList{"12345678 -- JOHN SMITH"};
    writeIdList(path, oldList);
    std::vector<std::string> bigList;
    for (int i = 0; i < 20000; ++i) bigList.push_back(std::to_string(10000000 + i) + " -- PLAYER NUMBER " + std::to_string(i));
    const std::string oldBytes = readBytes(path);
    const std::string newBytes = joinLinesCrLf(bigList);
    for (int attempt = 0; attempt < 5; ++attempt) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) writeIdList(path, bigList);
        }
        ::usleep(2000 + attempt * 3000);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = readBytes(path);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "size " << now.size();
    }
}

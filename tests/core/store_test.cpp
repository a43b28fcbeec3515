#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>

#include "platform/store_error.h"
#include "platform/text.h"
#include "session/store.h"
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
    for (int i = 0; i < 20000; ++i)
        bigList.push_back(std::to_string(10000000 + i) + " -- PLAYER NUMBER " + std::to_string(i));
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

// A number line is a whole number within int or it counts as empty; the
// edges of int still read.
TEST(Settings, NumbersBeyondIntOrNotWholeCountAsEmpty) {
    TempDir t;
    const std::string path = t / "default.txt";
    const std::vector<std::pair<std::string, std::optional<int>>> cases{
        {" 3 ", 3},
        {"-2", -2},
        {"+4", 4},
        {" 2147483647 ", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999", std::nullopt},
        {"1e10", std::nullopt},
        {"3.5", std::nullopt},
        {"3 4", std::nullopt},
        {"+-3", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [line, expected] : cases) {
        writeBytes(path, "id\r\n100\r\n" + line + "\r\n" + line + "\r\n" + line + "\r\n" + line + "\r\n");
        auto settings = readSettings(path);
        ASSERT_TRUE(settings) << line;
        EXPECT_EQ(settings->sortColumn, expected) << line;
        EXPECT_EQ(settings->individualSortCode, expected) << line;
    }
}

// Links inside the member's folder, and the member's folder as a link, go
// as links: what they point to, its contents and its modes stay.
TEST(KillFolder, NeverFollowsLinks) {
    TempDir t;
    const std::string outsideFile = t / "outside/file.txt", outsideDir = t / "outside/folder";
    writeBytes(outsideFile, "keep");
    writeBytes(outsideDir + "/inner.txt", "keep too");
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read;
    fs::permissions(outsideFile, readOnly, fs::perm_options::replace);
    fs::permissions(outsideDir, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
    auto unchanged = [&] {
        EXPECT_EQ(readBytes(outsideFile), "keep");
        EXPECT_EQ(readBytes(outsideDir + "/inner.txt"), "keep too");
        EXPECT_EQ(fs::status(outsideFile).permissions(), readOnly);
        EXPECT_EQ(fs::status(outsideDir).permissions(), fs::perms::owner_read | fs::perms::owner_exec);
    };

    const std::string member = t / "Data/12345678";
    writeBytes(member + "/event.txt", "x");
    writeBytes(member + "/sub/event.txt2", "y");
    fs::create_symlink(outsideFile, member + "/file-link");
    fs::create_symlink(outsideDir, member + "/folder-link");
    fs::create_symlink(outsideDir, member + "/sub/deeper-link");
    fs::create_symlink(t / "nowhere", member + "/dangling-link");
    EXPECT_TRUE(KillFolder(member + "/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(member)));
    unchanged();

    const std::string linkedMember = t / "Results/12345678";
    fs::create_directories(t / "Results");
    fs::create_symlink(outsideDir, linkedMember);
    EXPECT_TRUE(KillFolder(linkedMember));
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkedMember)));
    unchanged();
    fs::permissions(outsideDir, fs::perms::owner_all, fs::perm_options::replace);
}

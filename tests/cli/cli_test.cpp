// krv-cli as a user meets it: exit codes, the ID list, deleting a member.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "support/temp_store.h"

using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int status = -1;
    std::string out;  // stdout and stderr together
};

CliRun runCli(const std::string& arguments) {
    std::string command = std::string(KRV_CLI_PATH) + " " + arguments + " 2>&1 </dev/null";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace

TEST(Cli, UsageErrorsExitWithTwo) {
    EXPECT_EQ(runCli("").status, 2);
    EXPECT_EQ(runCli("frobnicate").status, 2);
    // Numbers on the command line are whole numbers within their range.
    TempDir t;
    for (const std::string n : {"0", "9", "-1", "+2", "2.5", "2x", "''", "' 2'", "99999999999999999999"})
        EXPECT_EQ(runCli("--store " + t / "KRV" + " --connections " + n + " list").status, 2) << n;
    EXPECT_EQ(runCli("--store " + t / "KRV" + " --connections 8 list").status, 0);
    EXPECT_EQ(runCli("list extra").status, 2);
}

TEST(Cli, ListCreatesTheStoreAndGreetsAFirstTimeUser) {
    TempDir t;
    CliRun first = runCli("--store " + t / "KRV" + " list");
    EXPECT_EQ(first.status, 0);
    EXPECT_NE(first.out.find("Welcome to the KRV Individual Data Program: Welcome to the KRV program."),
              std::string::npos);
    EXPECT_TRUE(fs::is_directory(t / "KRV/Data"));

    writeBytes(t / "KRV/config.txt", "12345678 -- JOHN SMITH\r\n87654321 -- ANNA ADAMS\r\n");
    CliRun second = runCli("--store " + t / "KRV" + " list");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "12345678 -- JOHN SMITH\n87654321 -- ANNA ADAMS\n");
}

TEST(Cli, DeleteNeedsConfirmationWithoutATerminal) {
    TempDir t;
    const std::string store = t / "KRV";
    writeBytes(store + "/config.txt", "12345678 -- JOHN SMITH\r\n87654321 -- ANNA ADAMS\r\n");
    writeBytes(store + "/Data/12345678/a.txt", "x");

    CliRun refused = runCli("--store " + store + " delete 12345678");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("Data Deletion Doublecheck: Proceeding will delete all datafiles for JOHN SMITH"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(store + "/Data/12345678/a.txt"));

    CliRun confirmed = runCli("--store " + store + " delete 12345678 --yes");
    EXPECT_EQ(confirmed.status, 0);
    EXPECT_FALSE(fs::exists(store + "/Data/12345678"));
    EXPECT_EQ(readBytes(store + "/config.txt"), "87654321 -- ANNA ADAMS\r\n");
}

TEST(Cli, StoreRootComesFromTheEnvironmentWithoutAnOption) {
    TempDir t;
    std::string command = "KRV_HOME=" + t / "envstore" + " " + std::string(KRV_CLI_PATH) + " list >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::is_directory(t / "envstore/Temp"));
}

TEST(Cli, ControlBytesFromTheStoreReachTheTerminalAsQuestionMarks) {
    TempDir t;
    const std::string store = t / "KRV";
    // A name that would clear the screen and retitle the window, and a DEL.
    const std::string list = "12345678 -- JOHN \x1b[2J\x1b]0;owned\x07SMITH\x7f\r\n";
    writeBytes(store + "/config.txt", list);
    CliRun listed = runCli("--store " + store + " list");
    EXPECT_EQ(listed.out, "12345678 -- JOHN ?[2J?]0;owned?SMITH?\n");

    CliRun refused = runCli("--store " + store + " delete 12345678");
    EXPECT_NE(refused.out.find("Proceeding will delete all datafiles for JOHN ?[2J?]0;owned?SMITH?\n"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(readBytes(store + "/config.txt"), list) << "the stored bytes stay as they came";
}

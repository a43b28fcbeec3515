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
    EXPECT_EQ(runCli("--connections 9 list").status, 2);
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

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

// Runs a shell command line, both output streams together.
CliRun runCommandLine(const std::string& commandLine) {
    const std::string command = commandLine + " 2>&1 </dev/null";
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

CliRun runCli(const std::string& arguments) { return runCommandLine(std::string(KRV_CLI_PATH) + " " + arguments); }

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

namespace {

struct Streams {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program with its two output streams kept apart.
Streams runProgram(const std::string& program, const std::string& arguments) {
    TempDir t;
    const std::string command = program + " " + arguments + " >" + t / "out" + " 2>" + t / "err" + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(t / "out"), readBytes(t / "err")};
}

std::vector<std::pair<std::string, std::string>> programs() {
    std::vector<std::pair<std::string, std::string>> list{{"krv-cli", KRV_CLI_PATH}};
#ifdef KRV_SERVICE_PATH
    list.emplace_back("krv-sample-service", KRV_SERVICE_PATH);
#endif
#ifdef KRV_GUI_PATH
    list.emplace_back("krv", KRV_GUI_PATH);
#endif
    return list;
}

}  // namespace

// --help and --version answer on standard output with status 0 (the desktop
// program too, without a display); a wrong option stays a usage error on
// standard error.
TEST(Cli, EveryProgramAnswersHelpAndVersionAndRefusesAWrongOption) {
    for (const auto& [name, path] : programs()) {
        SCOPED_TRACE(name);
        const Streams help = runProgram("env -u DISPLAY -u QT_QPA_PLATFORM " + path, "--help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("usage: " + name + " ", 0), 0u) << help.out;
        EXPECT_EQ(help.err, "");
        const Streams version = runProgram("env -u DISPLAY -u QT_QPA_PLATFORM " + path, "--version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, name + " " + KRV_VERSION + "\n");
        EXPECT_EQ(version.err, "");
        // The desktop program reads its options once the window system is up.
        const Streams wrong = runProgram("env QT_QPA_PLATFORM=offscreen " + path, "--no-such-option");
        EXPECT_EQ(wrong.status, 2);
        EXPECT_EQ(wrong.out, "");
        EXPECT_NE(wrong.err.find("usage: " + name), std::string::npos) << wrong.err;
    }
}

// The rating site without a command line: site.txt in the store root, below
// the environment and --base-url. Port 1 refuses, so the address tried shows
// in the failure without any site being there.
TEST(Cli, TheSiteFileNamesTheRatingSiteBelowTheEnvironmentAndTheOption) {
    TempDir t;
    const std::string store = t / "KRV";
    ASSERT_EQ(runCli("--store " + store + " list").status, 0);
    writeBytes(store + "/site.txt", "# the club's mirror\nbase=http://127.0.0.1:1\n");
    const std::string update = " --store " + store + " update 12345678";
    auto triedAddress = [](const CliRun& run) {
        const std::string tried = "Could not download http://127.0.0.1:";
        const std::size_t at = run.out.find(tried);
        return at == std::string::npos ? std::string() : run.out.substr(at + tried.size(), 2);
    };
    const std::string cli = KRV_CLI_PATH;
    EXPECT_EQ(triedAddress(runCommandLine("env -u KRV_BASE_URL " + cli + update)), "1/");
    EXPECT_EQ(triedAddress(runCommandLine("env KRV_BASE_URL=http://127.0.0.1:2 " + cli + update)), "2/");
    EXPECT_EQ(triedAddress(runCommandLine("env KRV_BASE_URL=http://127.0.0.1:2 " + cli +
                                          " --base-url http://127.0.0.1:3" + update)),
              "3/");
}

// krv-cli on a store that fails: every failed write ends the command with
// exit status 1 and a "Store Error" naming the path and the system's
// reason; the stored pages stay as they were, no temporary file stays
// behind, and no caption claims the result files were created. And an
// analysis killed at any moment leaves the old or the new game list, whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "cli_harness.h"
#include "session/store.h"
#include "support/mounts.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHelen = "13377702";  // 4 events, one of them in three sections
constexpr const char* kFilesCreated = "Files have been created";

// Every file below a folder with its bytes, links and folders by name.
std::map<std::string, std::string> treeContents(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string name = fs::relative(it->path(), folder).string();
        files[name] = it->is_regular_file() ? readBytes(it->path().string()) : std::string("<folder>");
    }
    return files;
}

bool anyTemporaryFile(const std::string& folder) {
    for (const auto& [name, bytes] : treeContents(folder))
        if (name.ends_with(".partial")) return true;
    return false;
}

// Takes whatever room is left on the file system of path.
void fillUp(const std::string& path) {
    std::FILE* filler = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(filler);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {}
    std::fclose(filler);
}

struct StoreFailureTest : ::testing::Test {
    TempDir dir;
    SampleService service;
    Cli cli{service, dir / "store"};

    std::string results(const std::string& file = "") const { return cli.resultsDir(kHelen) + "/" + file; }

    // Helen downloaded and analysed, as the starting point.
    void updateHelen() {
        CliResult r = cli.run({"update", kHelen});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    // What must hold after any failed command: exit 1 with the store error
    // (and nothing claimed as downloaded wrongly), the pages as before.
    void expectStoreError(const CliResult& r, const std::string& path, const std::string& reason) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("Store Error: Could not write " + path + ": " + reason + "\n"), std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("Download Failed"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(kFilesCreated), std::string::npos) << r.err;
    }
};

}  // namespace

// A failure injected at each result file in turn, by a folder standing in
// the file's place so that the rename over it fails.
TEST_F(StoreFailureTest, EachResultFileThatCannotBeReplacedEndsTheAnalysisWithAStoreError) {
    updateHelen();
    // Analyse Only names the member's file after the list entry.
    ASSERT_EQ(cli.run({"analyse", kHelen}).exitCode, 0);
    const std::string entryName = readIdList(cli.store() + "/config.txt").value().at(0).substr(11);
    const auto pages = treeContents(cli.dataDir(kHelen));
    for (const std::string& file :
         {std::string(kHelen) + ".txt", std::string("streak.txt"), entryName + ".txt", std::string("allChart.txt"),
          std::string("yearChart.txt"), std::string("digest.txt")}) {
        SCOPED_TRACE(file);
        const auto before = treeContents(results());
        fs::remove(results(file));
        writeBytes(results(file) + "/blocker", "in the way");
        CliResult r = cli.run({"analyse", kHelen});
        expectStoreError(r, results(file), "Is a directory");
        EXPECT_TRUE(r.out.empty()) << r.out;  // no digest printed
        EXPECT_EQ(treeContents(cli.dataDir(kHelen)), pages);
        EXPECT_FALSE(anyTemporaryFile(results()));
        fs::remove_all(results(file));
        // The files before it were replaced by the same bytes; the rest are
        // as they were.
        auto after = treeContents(results());
        auto expected = before;
        expected.erase(file);
        EXPECT_EQ(after, expected);
        writeBytes(results(file), before.at(file));
    }
    EXPECT_EQ(cli.run({"analyse", kHelen}).exitCode, 0);
}

// The member's folders of the store as plain files.
TEST_F(StoreFailureTest, AStoreThatCannotBeWrittenIsReportedWithPathAndReason) {
    // Results/ID a plain file: the pages are downloaded and stored whole,
    // the analysis reports the game list.
    writeBytes(cli.store() + "/Results/" + kHelen, "a file");
    CliResult r = cli.run({"update", kHelen});
    expectStoreError(r, results(std::string(kHelen) + ".txt"), "Not a directory");
    EXPECT_EQ(readBytes(cli.store() + "/Results/" + kHelen), "a file");
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)).size(), 6u);
    fs::remove(cli.store() + "/Results/" + kHelen);
    updateHelen();

    // Data/ID a plain file: the first page moved into it is named.
    Cli other(service, dir / "other");
    writeBytes(other.dataDir(kHelen), "a file");
    r = other.run({"update", kHelen});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Store Error: Could not write " + other.dataDir(kHelen) + "/"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": Not a directory\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Download Failed"), std::string::npos) << r.err;
    EXPECT_EQ(readBytes(other.dataDir(kHelen)), "a file");
    EXPECT_FALSE(fs::exists(other.resultsDir(kHelen)));
}

TEST_F(StoreFailureTest, AReadOnlyStoreKeepsEverythingAndSaysSo) {
    updateHelen();
    const auto before = treeContents(cli.store());
    auto readOnly = Mount::readOnly(cli.store());
    if (!readOnly) GTEST_SKIP() << "needs root and bind mounts";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"analyse", kHelen}, std::vector<std::string>{"update", kHelen}}) {
        SCOPED_TRACE(command[0]);
        CliResult r = cli.run(command);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("Store Error: Could not write " + cli.store() + "/"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(": Read-only file system\n"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find(kFilesCreated), std::string::npos) << r.err;
        EXPECT_EQ(treeContents(cli.store()), before);
    }
}

TEST_F(StoreFailureTest, AFullDiskKeepsTheOldResultsAndLeavesNoTemporaryFile) {
    updateHelen();
    auto before = treeContents(results());
    // An analysis leaves a file that already holds what it would write as
    // it is; a game list cut short must be written again.
    const std::string gameList = std::string(kHelen) + ".txt";
    ASSERT_TRUE(before.count(gameList));
    before[gameList].resize(before[gameList].size() / 2);
    const auto pages = treeContents(cli.dataDir(kHelen));
    auto tiny = Mount::tinyTmpfs(results(), "64k");
    if (!tiny) GTEST_SKIP() << "needs root and tmpfs";
    for (const auto& [name, bytes] : before) writeBytes(results(name), bytes);
    fillUp(results("filler"));
    CliResult r = cli.run({"analyse", kHelen});
    expectStoreError(r, results(std::string(kHelen) + ".txt"), "No space left on device");
    auto after = treeContents(results());
    after.erase("filler");
    EXPECT_EQ(after, before);
    EXPECT_EQ(treeContents(cli.dataDir(kHelen)), pages);
}

// A full Temp: the downloaded page cannot be stored, which is the store's
// fault and not the download's.
TEST_F(StoreFailureTest, AFullTempFolderIsAStoreErrorNotAFailedDownload) {
    updateHelen();
    const auto pages = treeContents(cli.dataDir(kHelen));
    const std::string temp = cli.store() + "/Temp";
    auto tiny = Mount::tinyTmpfs(temp, "64k");
    if (!tiny) GTEST_SKIP() << "needs root and tmpfs";
    fillUp(temp + "/filler");
    CliResult r = cli.run({"update", kHelen});
    // The page goes to the program's own run folder in Temp.
    const std::size_t run = r.err.find(temp + "/run-");
    ASSERT_NE(run, std::string::npos) << r.err;
    const std::size_t slash = r.err.find('/', run + temp.size() + 1);
    ASSERT_NE(slash, std::string::npos) << r.err;
    expectStoreError(r, r.err.substr(run, slash - run) + "/" + kHelen + ".txt", "No space left on device");
    EXPECT_EQ(treeContents(cli.dataDir(kHelen)), pages);
    EXPECT_FALSE(anyTemporaryFile(temp));
}

// The benchmark member's analysis writes a game list of about a megabyte
// while it parses; krv-cli is killed at random moments of it.
TEST(KilledAnalysis, LeavesTheOldOrTheNewGameListWholeNeverAMix) {
    TempDir dir;
    SampleService service;
    Cli cli(service, dir / "store");
    const std::string member = "17000001";
    ASSERT_EQ(cli.run({"update", member}, 4).exitCode, 0);
    const std::string gameList = cli.resultsDir(member) + "/" + member + ".txt";
    const std::string newBytes = readBytes(gameList);
    ASSERT_GT(newBytes.size(), 100000u);
    // Longer than the new list, so that new lines over its start would
    // leave its tail in view.
    std::string oldBytes;
    while (oldBytes.size() < 2 * newBytes.size()) oldBytes += "OLD,LINE,OF,AN,EARLIER,ANALYSIS\r\n";

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(cli.run({"analyse", member}).exitCode, 0);
    const auto runTime =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::mt19937 random(12345);
    std::uniform_int_distribution<long> moment(0, runTime.count());
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        writeBytes(gameList, oldBytes);
        const pid_t pid = cli.start({"analyse", member}, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(pid, SIGKILL);
        waitExit(pid);
        const std::string now = readBytes(gameList);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "a mix of " << now.size() << " bytes";
        (now == oldBytes ? sawOld : sawNew) += 1;
    }
    std::cerr << "killed before the new list: " << sawOld << ", after: " << sawNew << "\n";
}

// Two krv-cli programs on one store, against the sample service: they take
// turns (the second waits for the first and says so once), so the store
// ends up byte for byte as if they had run one after the other. A killed
// holder frees the store at once, a killed waiter disturbs nobody, and
// --no-wait refuses a busy store at once, naming the holder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli_harness.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHelen = "13377702";
constexpr const char* kTobias = "14210017";
constexpr const char* kMargaret = "12843395";
constexpr const char* kWaiting = "Waiting for another KRV Data program to finish with this store...";

// Every file under the store root with its bytes, by path below the root;
// Temp holds only what programs use while they run.
std::map<std::string, std::string> storeTree(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).string();
        if (relative == "Temp") {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file()) files[relative] = readBytes(it->path().string());
    }
    return files;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The id the lock holder wrote, once a program holds the store.
bool waitForHolder(const std::string& root, pid_t pid, std::chrono::seconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (readBytes(root + "/store.lock") == std::to_string(pid) + "\n") return true;
        std::this_thread::sleep_for(2ms);
    }
    return false;
}

bool waitForText(const std::string& file, const std::string& text, std::chrono::seconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (readBytes(file).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(2ms);
    }
    return false;
}

std::vector<std::string> runFolders(const std::string& root) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root + "/Temp", ec))
        if (entry.path().filename().string().rfind("run-", 0) == 0) names.push_back(entry.path().string());
    return names;
}

struct Pair {
    std::string name;
    std::string seedIdList;  // config.txt before both, empty for none
    std::vector<std::string> first, second;
};

void PrintTo(const Pair& pair, std::ostream* out) { *out << pair.name; }

class TwoProgramsTest : public ::testing::TestWithParam<Pair> {
protected:
    TempDir dir;
};

// A krv-cli whose output goes to files of its own, so two can run at once.
struct Program {
    Program(const SampleService& service, const std::string& store, const std::string& name)
        : out(store + "." + name + ".out"), err(store + "." + name + ".err"), argv_(Cli(service, store).argv({}, 2)) {}

    pid_t start(const std::vector<std::string>& words) {
        std::vector<std::string> a = argv_;
        a.insert(a.end(), words.begin(), words.end());
        pid = spawn(a, out, err);
        return pid;
    }
    CliResult finish() {
        CliResult r;
        r.exitCode = waitExit(pid);
        r.out = readBytes(out);
        r.err = readBytes(err);
        return r;
    }
    CliResult run(const std::vector<std::string>& words) {
        start(words);
        return finish();
    }

    std::string out, err;
    pid_t pid = -1;

private:
    std::vector<std::string> argv_;
};

}  // namespace

TEST_P(TwoProgramsTest, TheyTakeTurnsAndLeaveTheStoreAsIfRunOneAfterTheOther) {
    const Pair& pair = GetParam();
    SampleService service(100);  // every answer takes 0.1 s: the runs overlap
    const std::string alone = dir / "alone", shared = dir / "shared";
    for (const std::string& root : {alone, shared}) {
        fs::create_directories(root);
        if (!pair.seedIdList.empty()) writeBytes(root + "/config.txt", pair.seedIdList);
    }

    Program firstAlone(service, alone, "first"), secondAlone(service, alone, "second");
    const CliResult a1 = firstAlone.run(pair.first);
    const CliResult a2 = secondAlone.run(pair.second);
    ASSERT_EQ(a1.exitCode, 0) << a1.err;
    ASSERT_EQ(a2.exitCode, 0) << a2.err;

    Program first(service, shared, "first"), second(service, shared, "second");
    first.start(pair.first);
    ASSERT_TRUE(waitForHolder(shared, first.pid)) << "the first program never held the store";
    second.start(pair.second);
    const CliResult s1 = first.finish();
    const CliResult s2 = second.finish();
    ASSERT_EQ(s1.exitCode, 0) << s1.err;
    ASSERT_EQ(s2.exitCode, 0) << s2.err;

    EXPECT_EQ(occurrences(s2.err, kWaiting), 1u) << s2.err;
    EXPECT_EQ(occurrences(s1.err, kWaiting), 0u) << s1.err;
    for (const CliResult* r : {&s1, &s2}) EXPECT_EQ(r->err.find("Download Failed"), std::string::npos) << r->err;
    EXPECT_EQ(s1.out, a1.out);
    EXPECT_EQ(s2.out, a2.out);

    const auto expected = storeTree(alone), actual = storeTree(shared);
    EXPECT_GT(expected.size(), 3u);
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [path, bytes] : expected) {
        auto it = actual.find(path);
        ASSERT_NE(it, actual.end()) << path << " missing";
        EXPECT_TRUE(it->second == bytes) << path << " differs";
    }
    EXPECT_TRUE(runFolders(shared).empty());
}

INSTANTIATE_TEST_SUITE_P(Pairs, TwoProgramsTest,
                         ::testing::Values(Pair{"SameMember", "", {"update", kHelen}, {"update", kHelen}},
                                           Pair{"TwoMembers", "", {"update", kHelen}, {"update", kTobias}},
                                           // Update All reads the ID list once the store is its own: it
                                           // sees the member the update just recorded.
                                           Pair{"UpdateThenUpdateAll",
                                                "13377702 -- HELEN CASTELLANOS\r\n",
                                                {"update", kTobias},
                                                {"update-all"}},
                                           // Analyse Only finds the member the update has just recorded.
                                           Pair{"UpdateThenAnalyse", "", {"update", kHelen}, {"analyse", kHelen}}),
                         [](const ::testing::TestParamInfo<Pair>& info) { return info.param.name; });

struct SharedStoreTest : ::testing::Test {
    TempDir dir;
};

TEST_F(SharedStoreTest, AKilledHolderFreesTheStoreAtOnceAndItsTempFolderGoesAtTheNextStart) {
    SampleService slow(40);
    const std::string store = dir / "store";
    Program holder(slow, store, "holder");
    holder.start({"update", kMargaret});
    ASSERT_TRUE(waitForHolder(store, holder.pid));
    ASSERT_TRUE(waitForText(holder.err, "Processed ")) << "never got to the crosstables";
    ASSERT_EQ(runFolders(store).size(), 1u);

    // While it runs: viewing does not wait, and the start-up of another
    // program leaves the live run's folder alone.
    Program viewer(slow, store, "viewer");
    const auto viewing = std::chrono::steady_clock::now();
    const CliResult listed = viewer.run({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_LT(std::chrono::steady_clock::now() - viewing, 5s);
    EXPECT_EQ(runFolders(store).size(), 1u);

    // --no-wait refuses at once and names the holder; the store is untouched.
    Program refused(slow, store, "refused");
    const CliResult r = refused.run({"--no-wait", "update", kHelen});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Store In Use: Another KRV Data program (process " + std::to_string(holder.pid) +
                         ") is changing this store. Try again when it has finished."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(kWaiting), std::string::npos);
    EXPECT_FALSE(fs::exists(store + "/Data/" + std::string(kHelen)));

    ::kill(holder.pid, SIGKILL);
    EXPECT_EQ(holder.finish().exitCode, 128 + SIGKILL);
    const std::vector<std::string> dead = runFolders(store);
    ASSERT_EQ(dead.size(), 1u) << "a killed program leaves its folder";

    // The next program gets the store at once (--no-wait would refuse it
    // otherwise) and clears the dead program's folder at its start.
    Program next(slow, store, "next");
    const CliResult n = next.run({"--no-wait", "update", kHelen});
    EXPECT_EQ(n.exitCode, 0) << n.err;
    EXPECT_FALSE(fs::exists(dead[0]));
    EXPECT_TRUE(runFolders(store).empty());
}

TEST_F(SharedStoreTest, AKilledWaiterDisturbsNobody) {
    SampleService service(100);
    const std::string store = dir / "store", reference = dir / "reference";
    Program alone1(service, reference, "a"), alone2(service, reference, "b");
    ASSERT_EQ(alone1.run({"update", kHelen}).exitCode, 0);
    ASSERT_EQ(alone2.run({"update", kTobias}).exitCode, 0);

    Program holder(service, store, "holder"), waiter(service, store, "waiter");
    holder.start({"update", kHelen});
    ASSERT_TRUE(waitForHolder(store, holder.pid));
    waiter.start({"update", kTobias});
    ASSERT_TRUE(waitForText(waiter.err, kWaiting));
    ::kill(waiter.pid, SIGKILL);
    EXPECT_EQ(waiter.finish().exitCode, 128 + SIGKILL);
    const CliResult h = holder.finish();
    ASSERT_EQ(h.exitCode, 0) << h.err;

    Program again(service, store, "again");
    const CliResult a = again.run({"--no-wait", "update", kTobias});
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_TRUE(storeTree(store) == storeTree(reference));
    EXPECT_TRUE(runFolders(store).empty());
}

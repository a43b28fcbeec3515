// krv-cli against the sample rating service: what an update stores, what a
// second update asks for, and what faults, a kill and parallel fetching
// leave in the store.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "cli_harness.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHelen = "13377702";     // 4 events, one of them in three sections
constexpr const char* kTobias = "14210017";    // unrated start, a quick-rated row and opponent
constexpr const char* kMargaret = "12843395";  // 121 events on 3 history pages

std::string golden(const std::string& member, const std::string& file) {
    return readBytes(std::string(KRV_GOLDEN_DIR) + "/" + member + "/" + file);
}

// A data folder holds only whole events: every file is a first section
// file (key + ".txt") or a further section of one that is present.
void expectOnlyWholeEvents(const std::string& dataDir) {
    static const std::regex first(R"(\d{12}\.0-\d{8}\.txt)");
    static const std::regex later(R"((\d{12}\.0-\d{8}\.txt)\d+)");
    const auto files = folderContents(dataDir);
    for (const auto& [name, bytes] : files) {
        std::smatch m;
        if (std::regex_match(name, first)) continue;
        ASSERT_TRUE(std::regex_match(name, m, later)) << "stray file " << name;
        EXPECT_TRUE(files.count(m[1].str())) << name << " without its first section";
    }
}

struct UpdateCliTest : ::testing::Test {
    TempDir dir;
};

}  // namespace

TEST_F(UpdateCliTest, UpdatesStoreAndAnalyseMembersAsReviewedByHandAndASecondFetchesNoCrosstable) {
    SampleService service;
    Cli cli(service, dir / "store");
    for (const std::string id : {kTobias, kHelen}) {  // Tobias: unrated start, quick-rated row and opponent
        CliResult r = cli.run({"update", id});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        for (const std::string& name : {id + ".txt", std::string("streak.txt"), std::string("currentrating.txt")})
            EXPECT_EQ(readBytes(cli.resultsDir(id) + "/" + name), golden(id, name)) << id << name;
    }
    // Helen's list line follows Tobias' on a line of its own.
    EXPECT_EQ(readBytes(cli.store() + "/config.txt"), golden(kTobias, "config.txt") + golden(kHelen, "config.txt"));
    const std::string key = "201311160008.0-13377702.txt";
    for (const std::string& name : {key, key + "2", key + "3"})
        EXPECT_EQ(readBytes(cli.dataDir(kHelen) + "/" + name), golden(kHelen, name)) << name;
    const auto stored = folderContents(cli.dataDir(kHelen));
    EXPECT_EQ(stored.size(), 6u);
    EXPECT_TRUE(folderContents(cli.store() + "/Temp").empty());

    service.reset();
    CliResult r = cli.run({"update", kHelen});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Processed  4 files\r\nDownloaded files =0"), std::string::npos) << r.err;
    EXPECT_EQ(service.requestsContaining("XtblMain"), 0);
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)), stored);
    EXPECT_EQ(readBytes(cli.resultsDir(kHelen) + "/13377702.txt"), golden(kHelen, "13377702.txt"));
}

TEST_F(UpdateCliTest, AnUnknownIdIsReportedAndNothingIsStored) {
    SampleService service;
    Cli cli(service, dir / "store");
    CliResult r = cli.run({"update", "99999999"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Incorrect USCF ID Number: 99999999 Error"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(cli.store() + "/Results/99999999"));
}

// A fault on the second event of the list (newest first), or on a history
// page, and the cause the message gives for it.
struct Fault {
    std::string name;
    std::string rule;
    std::string failingTarget;
    int requestsOfIt;
    std::string cause;
    // A kept-alive connection closed without an answer may be a connection
    // the site had just let go: libcurl asks once more on a new one.
    bool mayAskAgain = false;
};

class FaultTest : public UpdateCliTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultTest, AFaultEndsTheRunCleanlyAndTheNextRunCompletesTheStore) {
    const Fault& fault = GetParam();
    SampleService service;
    Cli undisturbed(service, dir / "undisturbed");
    ASSERT_EQ(undisturbed.run({"update", kHelen}).exitCode, 0);

    Cli cli(service, dir / "store");
    service.setFaults(fault.rule);
    service.reset();
    CliResult r = cli.run({"update", kHelen});
    EXPECT_EQ(r.exitCode, 1);
    // The cause stands on its own line after the message's first line.
    EXPECT_NE(r.err.find("Download Failed: Could not download " + service.url() + fault.failingTarget + "\r\n\r\n" +
                         fault.cause + "\n"),
              std::string::npos)
        << r.err;
    const int requests = service.requestsContaining(fault.failingTarget);
    EXPECT_GE(requests, fault.requestsOfIt);
    EXPECT_LE(requests, fault.requestsOfIt + (fault.mayAskAgain ? 1 : 0));
    // Nothing of a wrong history page names a member.
    EXPECT_FALSE(fs::exists(cli.store() + "/Results/.txt"));
    EXPECT_FALSE(fs::exists(cli.store() + "/config.txt") &&
                 readBytes(cli.store() + "/config.txt").find(kHelen) != std::string::npos);
    expectOnlyWholeEvents(cli.dataDir(kHelen));
    for (const auto& [name, bytes] : folderContents(cli.dataDir(kHelen)))
        EXPECT_EQ(bytes, readBytes(undisturbed.dataDir(kHelen) + "/" + name)) << name;
    EXPECT_FALSE(fs::exists(cli.resultsDir(kHelen) + "/13377702.txt"));
    EXPECT_FALSE(fs::exists(cli.store() + "/Temp/13377702.work"));

    service.setFaults("");
    r = cli.run({"update", kHelen});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)), folderContents(undisturbed.dataDir(kHelen)));
    EXPECT_EQ(readBytes(cli.resultsDir(kHelen) + "/13377702.txt"), golden(kHelen, "13377702.txt"));
}

const std::string kSecondEvent = "/krv/XtblMain.php?202210080019.0-13377702";
const std::string kNotCrosstable = "the answer is not a crosstable page";
const std::string kTooLarge = "the page is larger than 8 MiB";

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultTest,
    ::testing::Values(
        Fault{"Status500", "XtblMain.php?202210080019 status 500", kSecondEvent, 1,
              "the site answered 500 Internal Server Error"},
        Fault{"Drop", "XtblMain.php?202210080019 drop", kSecondEvent, 1,
              "the site closed the connection without answering", true},
        Fault{"Truncate", "XtblMain.php?202210080019 truncate", kSecondEvent, 1,
              "the connection broke before the whole page arrived"},
        Fault{"EmptyBody", "XtblMain.php?202210080019 empty", kSecondEvent, 1, "the site sent an empty page"},
        Fault{"BusyBeyondFourAttempts", "XtblMain.php?202210080019 status 503 retry-after 0", kSecondEvent, 4,
              "the site answered 503 Service Unavailable"},
        Fault{"RetryAfterBeyondThePagesTime", "XtblMain.php?202210080019 status 429 retry-after 100000", kSecondEvent,
              1,
              "the site answered 429 Too Many Requests and asked to come back in 100000 s, longer than a page "
              "may take (90 s)"},
        Fault{"MaintenanceCrosstable", "XtblMain.php?202210080019 maintenance", kSecondEvent, 1, kNotCrosstable},
        Fault{"JunkCrosstable", "XtblMain.php?202210080019 junk", kSecondEvent, 1, kNotCrosstable},
        Fault{"OversizeByLength", "XtblMain.php?202210080019 oversize 9000000", kSecondEvent, 1, kTooLarge},
        Fault{"OversizeChunked", "XtblMain.php?202210080019 oversize 300000000 chunked", kSecondEvent, 1, kTooLarge},
        Fault{"OversizeUntilClosed", "XtblMain.php?202210080019 oversize 300000000 close", kSecondEvent, 1, kTooLarge},
        Fault{"EndlessCrosstable", "XtblMain.php?202210080019 endless", kSecondEvent, 1, kTooLarge},
        Fault{"HistoryPage", "MbrDtlTnmtHst.php?13377702.2 status 500", "/krv/MbrDtlTnmtHst.php?13377702.2", 1,
              "the site answered 500 Internal Server Error"},
        Fault{"JunkFirstHistoryPage", "MbrDtlTnmtHst.php?13377702 junk times 1", "/krv/MbrDtlTnmtHst.php?13377702", 1,
              "the answer is not a history page"},
        Fault{"MaintenanceHistoryPage", "MbrDtlTnmtHst.php?13377702.1 maintenance", "/krv/MbrDtlTnmtHst.php?13377702.1",
              1, "the answer is not a history page"}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST_F(UpdateCliTest, AKilledUpdateLeavesOnlyWholeEventsAndTheNextRunCompletesTheStore) {
    SampleService reference;
    Cli undisturbed(reference, dir / "undisturbed");
    ASSERT_EQ(undisturbed.run({"update", kMargaret}, 8).exitCode, 0);
    const auto whole = folderContents(undisturbed.dataDir(kMargaret));
    ASSERT_GT(whole.size(), 121u);

    SampleService slow(40);
    Cli cli(slow, dir / "store");
    pid_t pid = cli.start({"update", kMargaret}, 3);
    // Wait until a good part of the events is stored, then kill at once.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (folderContents(cli.dataDir(kMargaret)).size() < 30 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ::kill(pid, SIGKILL);
    EXPECT_EQ(waitExit(pid), 128 + SIGKILL);

    const auto partial = folderContents(cli.dataDir(kMargaret));
    EXPECT_GE(partial.size(), 30u);
    EXPECT_LT(partial.size(), whole.size());
    expectOnlyWholeEvents(cli.dataDir(kMargaret));
    for (const auto& [name, bytes] : partial) EXPECT_EQ(bytes, whole.at(name)) << name;

    CliResult r = cli.run({"update", kMargaret}, 8);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(folderContents(cli.dataDir(kMargaret)), whole);
    EXPECT_EQ(readBytes(cli.resultsDir(kMargaret) + "/12843395.txt"),
              readBytes(undisturbed.resultsDir(kMargaret) + "/12843395.txt"));
    EXPECT_TRUE(folderContents(cli.store() + "/Temp").empty());
}

TEST_F(UpdateCliTest, FourConnectionsAndOneLeaveIdenticalStores) {
    SampleService service(2);
    Cli one(service, dir / "one");
    Cli four(service, dir / "four");
    CliResult r1 = one.run({"update", kMargaret}, 1);
    CliResult r4 = four.run({"update", kMargaret}, 4);
    ASSERT_EQ(r1.exitCode, 0) << r1.err;
    ASSERT_EQ(r4.exitCode, 0) << r4.err;
    EXPECT_EQ(folderContents(one.dataDir(kMargaret)), folderContents(four.dataDir(kMargaret)));
    for (const std::string name : {"12843395.txt", "streak.txt", "currentrating.txt", "MARGARET A LINDQVIST.txt"})
        EXPECT_EQ(readBytes(one.resultsDir(kMargaret) + "/" + name), readBytes(four.resultsDir(kMargaret) + "/" + name))
            << name;
    EXPECT_EQ(r1.out, r4.out);
    // The progress captions are the same, one by one (the last one names the store).
    EXPECT_EQ(replaceAll(r1.err, one.store(), "STORE"), replaceAll(r4.err, four.store(), "STORE"));
}

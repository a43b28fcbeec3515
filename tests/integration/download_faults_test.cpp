// krv-cli against answers the sample service alone cannot give (an event
// key no file system takes, a site nobody answers for) and what the site
// sees of an update: how many connections it opens, and that a compressed
// run stores what a plain one does.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_harness.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHelen = "13377702";     // 4 events on one history page
constexpr const char* kMargaret = "12843395";  // 121 events on 3 history pages
constexpr const char* kCornelia = "17000300";  // 300 events on 6 history pages

// Stands between krv-cli and the sample service and adds to every history
// page of a member one event row per key given, before the page's events.
class EventAddingProxy {
public:
    EventAddingProxy(const SampleService& service, std::vector<std::string> keys) : keys_(std::move(keys)) {
        const int port = std::stoi(service.url().substr(service.url().rfind(':') + 1));
        server_.Get(".*", [this, port](const httplib::Request& req, httplib::Response& res) {
            httplib::Client client("127.0.0.1", port);
            std::string target = req.path;
            if (!req.params.empty()) target += "?" + req.params.begin()->first;
            auto answer = client.Get(target);
            if (!answer) {
                res.status = 502;
                return;
            }
            res.status = answer->status;
            std::string body = answer->body;
            if (target.find("MbrDtlTnmtHst.php") != std::string::npos) body = withAddedEvents(body);
            res.set_content(body, "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(1ms);
    }
    ~EventAddingProxy() {
        server_.stop();
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    std::string withAddedEvents(std::string page) const {
        const std::string before = "<tr>\n<td nowrap>";
        const std::size_t at = page.find(before);
        if (at == std::string::npos) return page;
        std::string rows;
        for (const auto& key : keys_)
            rows +=
                "<tr>\n<td nowrap>2024-01-01<br><small>Detail: 202401010001</small></td>\n"
                "<td nowrap>Section 1</td>\n<td nowrap>R: 1500 =&gt; 1500</td>\n"
                "<td width=40%><a href=XtblMain.php?" +
                key + "-13377702>ADDED EVENT</a></td>\n</tr>\n";
        return page.insert(at, rows);
    }

    std::vector<std::string> keys_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

struct DownloadFaultsTest : ::testing::Test {
    TempDir dir;
};

std::vector<std::string> withBaseUrl(std::vector<std::string> argv, const std::string& url) {
    for (std::size_t i = 0; i + 1 < argv.size(); ++i)
        if (argv[i] == "--base-url") argv[i + 1] = url;
    return argv;
}

CliResult runAgainst(const Cli& cli, const std::string& url, const std::vector<std::string>& words) {
    const std::string out = cli.store() + ".out", err = cli.store() + ".err";
    CliResult result;
    result.exitCode = waitExit(spawn(withBaseUrl(cli.argv(words, 2), url), out, err));
    result.out = readBytes(out);
    result.err = readBytes(err);
    return result;
}

}  // namespace

TEST_F(DownloadFaultsTest, EventsWhoseKeyCannotNameAFileAreSkippedWithAWarningAndNeverRequested) {
    SampleService service;
    Cli reference(service, dir / "reference");
    ASSERT_EQ(reference.run({"update", kHelen}).exitCode, 0);

    // Longer than a file name may be, and one with a path separator.
    const std::string longKey = "202401010001" + std::string(290, '7');
    const std::string slashKey = "202401010002/../../x";
    EventAddingProxy proxy(service, {longKey, slashKey});
    Cli cli(service, dir / "store");
    service.reset();
    CliResult r = runAgainst(cli, proxy.url(), {"update", kHelen});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("Event skipped: " + longKey + ".0-13377702 cannot be a file name in the data folder\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Event skipped: " + slashKey + ".0-13377702 cannot be a file name in the data folder\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Download Failed"), std::string::npos) << r.err;
    EXPECT_EQ(service.requestsContaining("202401010001"), 0);
    EXPECT_EQ(service.requestsContaining("202401010002"), 0);
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)), folderContents(reference.dataDir(kHelen)));
    EXPECT_FALSE(fs::exists(dir / "x.txt"));
}

TEST_F(DownloadFaultsTest, ARefusedConnectionSaysSoAndPointsToAnalyseOnlyLeavingTheStoreAsItWas) {
    SampleService service;
    Cli cli(service, dir / "store");
    ASSERT_EQ(cli.run({"update", kHelen}).exitCode, 0);
    const auto data = folderContents(cli.dataDir(kHelen));
    const auto results = folderContents(cli.resultsDir(kHelen));
    const std::string idList = readBytes(cli.store() + "/config.txt");

    // Port 1 on the loopback interface: nobody listens there.
    CliResult r = runAgainst(cli, "http://127.0.0.1:1", {"update", kHelen});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Download Failed: Could not download http://127.0.0.1:1/krv/MbrDtlTnmtHst.php?13377702\r\n"
                         "\r\nthe connection was refused: check the address or your connection; stored data can "
                         "still be analysed with Analyse Only\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)), data);
    EXPECT_EQ(folderContents(cli.resultsDir(kHelen)), results);
    EXPECT_EQ(readBytes(cli.store() + "/config.txt"), idList);

    // And so it can.
    r = runAgainst(cli, "http://127.0.0.1:1", {"analyse", kHelen});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(DownloadFaultsTest, AFirstUpdateKeepsItsConnectionsOpenFromPageToPage) {
    SampleService service;
    Cli cli(service, dir / "store");
    service.reset();
    CliResult r = cli.run({"update", kCornelia}, 2);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int requests = static_cast<int>(service.requests().size());
    const int connections = service.connectionsWithPages();
    std::cout << "[ measured ] " << requests << " requests over " << connections << " connections\n";
    EXPECT_GE(requests, 300);
    EXPECT_LE(connections, 3);
}

TEST_F(DownloadFaultsTest, ACompressedRunStoresWhatAPlainRunStores) {
    SampleService compressing;
    SampleService plain(0, {"--no-compression"});
    Cli zipped(compressing, dir / "zipped");
    Cli unzipped(plain, dir / "plain");
    for (const std::string id : {kMargaret, kHelen}) {
        ASSERT_EQ(zipped.run({"update", id}).exitCode, 0);
        ASSERT_EQ(unzipped.run({"update", id}).exitCode, 0);
        EXPECT_EQ(folderContents(zipped.dataDir(id)), folderContents(unzipped.dataDir(id))) << id;
        EXPECT_EQ(folderContents(zipped.resultsDir(id)), folderContents(unzipped.resultsDir(id))) << id;
    }
}

// Update All IDs over several members: the connections opened for the first
// member serve the next, and --max-rate spaces the requests of the whole run.
TEST_F(DownloadFaultsTest, UpdateAllKeepsItsConnectionsAcrossMembersAndKeepsToTheRate) {
    SampleService service;
    Cli cli(service, dir / "store");
    ASSERT_EQ(cli.run({"update", kHelen}).exitCode, 0);
    ASSERT_EQ(cli.run({"update", "14210017"}).exitCode, 0);
    for (const std::string id : {kHelen, "14210017"}) fs::remove_all(cli.dataDir(id));

    service.reset();
    const auto start = std::chrono::steady_clock::now();
    CliResult r = cli.run({"--max-rate", "20", "update-all"}, 2);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int requests = static_cast<int>(service.requests().size());
    EXPECT_GE(requests, 14);
    // n requests at 20 a second: the last goes out (n - 1) / 20 s after the first.
    EXPECT_GE(took, std::chrono::milliseconds(50 * (requests - 1)));
    EXPECT_LE(service.connectionsWithPages(), 3);
    EXPECT_EQ(folderContents(cli.dataDir(kHelen)).size(), 6u);
}

// The server process: its first line, the pages it serves, its request log,
// its fault rules and their effect on the wire, and a clean stop.
#include "sample_pages.h"
#include "service_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <future>

namespace krv::sample {
namespace {

class SampleService : public SharedServiceTest {
protected:
    void SetUp() override {
        SharedServiceTest::SetUp();
        ASSERT_TRUE(client_.Get("/admin/reset"));
    }
    std::string log() { return client_.Get("/admin/requests")->body; }
    // A GET on a fresh connection, read to its end: the raw bytes of the answer.
    static std::string rawGet(const std::string& target) { return sample::rawGet(service_->port, target); }

    httplib::Client client_{"127.0.0.1", service_->port};
};

TEST_F(SampleService, ServesEachPageByteForByteEveryTime) {
    for (const std::string t :
         {"/krv/MbrDtlTnmtHst.php?12843395", "/krv/MbrDtlTnmtHst.php?12843395.3", "/krv/MbrDtlMain.php?30302490",
          "/krv/XtblMain.php?201811100051.0-16620841", "/krv/MbrDtlTnmtHst.php?99999999"}) {
        auto first = client_.Get(t), second = client_.Get(t);
        ASSERT_TRUE(first && second) << t;
        EXPECT_EQ(first->status, 200) << t;
        EXPECT_EQ(first->get_header_value("Content-Type"), "text/html; charset=iso-8859-1");
        EXPECT_EQ(first->body, answerPageRequest(Catalog::bundled(), t).body) << t;  // Latin-1 bytes included
        EXPECT_EQ(second->body, first->body) << t;
    }
    EXPECT_EQ(client_.Get("/krv/Other.php?1")->status, 404);
}

TEST_F(SampleService, FaultRulesStatusTimesAndTheRequestLog) {
    setFaults("# busy twice\r\n\r\nXtblMain status 503 retry-after 7 times 2\r\nphp status 404\n");
    auto refused = client_.Post("/admin/faults", "# fine\nXtblMain explode\n", "text/plain");
    ASSERT_TRUE(refused);
    EXPECT_EQ(std::to_string(refused->status) + " " + refused->body, "400 line 2: unknown action \"explode\"\n");
    const std::string t = "/krv/XtblMain.php?201907140021.0-30302490";
    std::string seen;
    for (const std::string& target : {t, t, t, std::string("/krv/MbrDtlMain.php?13377702")}) {
        auto r = client_.Get(target);
        seen += r ? std::to_string(r->status) + "/" + r->get_header_value("Retry-After") + " " : "none ";
    }
    // the old rules stay in force after a refusal; a used-up rule steps aside for the next that matches
    EXPECT_EQ(seen, "503/7 503/7 404/ 404/ ");
    EXPECT_EQ(log(), t + "\n" + t + "\n" + t + "\n/krv/MbrDtlMain.php?13377702\n");
    client_.Get("/admin/reset");
    EXPECT_EQ(log(), "");
}

TEST_F(SampleService, DelayDropTruncateAndEmptyActOnTheWire) {
    const std::string xtbl = "/krv/XtblMain.php?201907140021.0-30302490", hist = "/krv/MbrDtlTnmtHst.php?30302490";
    const std::string full = answerPageRequest(Catalog::bundled(), xtbl).body;
    setFaults("13377702 delay 2000\nMbrDtlMain drop\n201907140021 truncate\nMbrDtlTnmtHst empty times 1\n");
    const auto started = std::chrono::steady_clock::now();
    auto slow = std::async(std::launch::async, [] {
        return httplib::Client("127.0.0.1", service_->port).Get("/krv/MbrDtlMain.php?13377702");
    });
    while (log().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(rawGet("/krv/MbrDtlMain.php?30302490"), "");
    const std::string truncated = rawGet(xtbl), empty = rawGet(hist);
    EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "the others waited for it";
    EXPECT_TRUE(truncated.starts_with("HTTP/1.1 200 OK\r\n")) << truncated.substr(0, 200);
    EXPECT_NE(truncated.find("\r\nContent-Length: " + std::to_string(full.size()) + "\r\n"), std::string::npos);
    EXPECT_EQ(truncated.substr(truncated.find("\r\n\r\n") + 4), full.substr(0, full.size() / 2));
    EXPECT_FALSE(client_.Get(xtbl)) << "a client notices the short body";
    EXPECT_TRUE(empty.starts_with("HTTP/1.1 200 OK\r\n") && empty.ends_with("\r\n\r\n")) << empty;
    EXPECT_NE(empty.find("\r\nContent-Length: 0\r\n"), std::string::npos) << empty;
    EXPECT_EQ(client_.Get(hist)->body, answerPageRequest(Catalog::bundled(), hist).body) << "used up after once";
    httplib::Result delayed = slow.get();
    EXPECT_TRUE(delayed && delayed->status == 200);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
}

TEST_F(SampleService, StallSendsHalfThePagePausesThenTheRest) {
    const std::string xtbl = "/krv/XtblMain.php?201907140021.0-30302490";
    const std::string full = answerPageRequest(Catalog::bundled(), xtbl).body;
    setFaults("201907140021 stall 600\n");
    std::string received;
    std::chrono::steady_clock::duration halfAfter{}, wholeAfter{};
    const auto started = std::chrono::steady_clock::now();
    auto r = client_.Get(xtbl, [&](const char* data, std::size_t n) {
        received.append(data, n);
        const auto now = std::chrono::steady_clock::now() - started;
        if (received.size() >= full.size() / 2 && halfAfter == std::chrono::steady_clock::duration{}) halfAfter = now;
        if (received.size() == full.size()) wholeAfter = now;
        return true;
    });
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(received, full);
    EXPECT_LT(halfAfter, std::chrono::milliseconds(400)) << "the first half comes at once";
    EXPECT_GE(wholeAfter - halfAfter, std::chrono::milliseconds(500)) << "the rest after the pause";
}

TEST(SampleServiceProcess, AStopEndsDelayedAndStalledAnswersAtOnce) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::string rules = ::testing::TempDir() + "krv_slow_faults.txt";
    std::ofstream(rules) << "MbrDtlMain delay 60000\nXtblMain stall 60000\n";
    ServiceProcess service("--port 0 --faults " + rules);
    ASSERT_GT(service.port, 0) << service.line;
    auto get = [&](const std::string& target) {
        return std::async(std::launch::async,
                          [port = service.port, target] { return httplib::Client("127.0.0.1", port).Get(target); });
    };
    auto delayed = get("/krv/MbrDtlMain.php?30302490");
    auto stalled = get("/krv/XtblMain.php?201907140021.0-30302490");
    httplib::Client admin("127.0.0.1", service.port);
    auto requestsSeen = [&] {
        auto log = admin.Get("/admin/requests");
        return log ? std::count(log->body.begin(), log->body.end(), '\n') : 0;
    };
    for (int i = 0; i < 400 && requestsSeen() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(service.terminate(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
    delayed.wait();
    stalled.wait();
    std::remove(rules.c_str());
}

TEST(SampleServiceProcess, StopsCleanlyOnSigtermAndRefusesBadArguments) {
    std::signal(SIGPIPE, SIG_IGN);
    for (int i = 0; i < 3; ++i) {  // a stop before the listening loop runs must not be lost
        ServiceProcess service("--port 0");
        EXPECT_GT(service.port, 0) << service.line;
        EXPECT_EQ(service.terminate(), 0);
    }
    const std::string good = ::testing::TempDir() + "krv_faults.txt", bad = ::testing::TempDir() + "krv_bad_faults.txt";
    std::ofstream(good) << "# from a file\nMbrDtlMain status 404\n";
    std::ofstream(bad) << "MbrDtlMain explode\n";
    ServiceProcess service("--port 0 --latency-ms 30 --faults " + good);
    ASSERT_GT(service.port, 0) << service.line;
    httplib::Client client("127.0.0.1", service.port);
    client.set_keep_alive(true);  // an idle kept-alive connection must not hold up the stop
    EXPECT_EQ(client.Get("/krv/MbrDtlMain.php?30302490")->status, 404);
    EXPECT_EQ(client.Get("/krv/MbrDtlTnmtHst.php?30302490")->status, 200);
    EXPECT_EQ(service.terminate(), 0);
    for (const std::string& args :
         std::vector<std::string>{"--latency-ms 5", "--port 0 --faults /nonexistent", "--port 0 --faults " + bad})
        EXPECT_EQ(ServiceProcess(args).terminate(0), 2) << args;
    std::remove(good.c_str());
    std::remove(bad.c_str());
}

}  // namespace
}  // namespace krv::sample

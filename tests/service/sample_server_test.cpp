// The server process: its start line, the pages it serves, its request log,
// its faults at the transport level, and a clean stop.
#include "sample_pages.h"

#include <httplib.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <regex>
#include <thread>

extern char** environ;

namespace krv::sample {
namespace {

// One run of krv-sample-service with its stdout on a pipe.
class ServiceProcess {
public:
    explicit ServiceProcess(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, out[1]);
        args.insert(args.begin(), KRV_SAMPLE_SERVICE_EXE);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        // the first line, or whatever came before the process ended
        pollfd p{out[0], POLLIN, 0};
        char c;
        while (pid_ > 0 && poll(&p, 1, 20000) == 1 && read(out[0], &c, 1) == 1 && c != '\n') line_ += c;
        close(out[0]);
        std::smatch m;
        if (std::regex_match(line_, m, std::regex(R"(listening on http://127\.0\.0\.1:(\d+))"))) port_ = std::stoi(m[1]);
    }
    ~ServiceProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& line() const { return line_; }
    int port() const { return port_; }
    // Exit code after SIGTERM (or after it ended by itself); -1 when killed by a signal.
    int terminate(bool sendSignal = true) {
        int status = 0;
        if (sendSignal) kill(pid_, SIGTERM);
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string line_;
};

// A GET on a fresh connection, read to its end: the raw bytes of the answer.
std::string rawGet(int port, const std::string& target) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{20, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string answer;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
            char buf[4096];
            for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return answer;
}

class SampleService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::signal(SIGPIPE, SIG_IGN);
        service_ = new ServiceProcess({"--port", "0"});
    }
    static void TearDownTestSuite() {
        delete service_;
        service_ = nullptr;
    }
    void SetUp() override {
        ASSERT_GT(service_->port(), 0) << "first line: " << service_->line();
        client_ = std::make_unique<httplib::Client>("127.0.0.1", service_->port());
        client_->set_read_timeout(20, 0);
        ASSERT_TRUE(client_->Get("/admin/reset"));
        ASSERT_TRUE(client_->Post("/admin/faults", "", "text/plain"));
    }
    void setFaults(const std::string& rules) {
        auto r = client_->Post("/admin/faults", rules, "text/plain");
        ASSERT_TRUE(r);
        ASSERT_EQ(r->status, 200) << r->body;
    }
    std::string log() { return client_->Get("/admin/requests")->body; }

    static ServiceProcess* service_;
    std::unique_ptr<httplib::Client> client_;
};
ServiceProcess* SampleService::service_ = nullptr;

TEST_F(SampleService, ServesTheThreeKindsOfPageByteForByte) {
    const std::vector<std::string> targets{
        "/krv/MbrDtlTnmtHst.php?12843395", "/krv/MbrDtlTnmtHst.php?12843395.3",
        "/krv/XtblMain.php?" + std::string(kLargeEventNumber) + ".0-16620841", "/krv/MbrDtlMain.php?30302490",
        "/krv/MbrDtlTnmtHst.php?99999999"};
    for (const std::string& t : targets) {
        auto r = client_->Get(t);
        ASSERT_TRUE(r) << t;
        EXPECT_EQ(r->status, 200) << t;
        EXPECT_EQ(r->body, answerPageRequest(Catalog::bundled(), t).body) << t;  // Latin-1 bytes included
        EXPECT_NE(r->get_header_value("Content-Type").find("iso-8859-1"), std::string::npos);
    }
    auto missing = client_->Get("/krv/XtblMain.php?209901010001.0-16620841");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
}

TEST_F(SampleService, RequestLogKeepsPageTargetsInOrderUntilReset) {
    client_->Get("/krv/MbrDtlMain.php?13377702");
    client_->Get("/krv/MbrDtlTnmtHst.php?13377702.1");
    client_->Get("/krv/XtblMain.php?202206110022.0-13377702");
    EXPECT_EQ(log(),
              "/krv/MbrDtlMain.php?13377702\n/krv/MbrDtlTnmtHst.php?13377702.1\n"
              "/krv/XtblMain.php?202206110022.0-13377702\n");
    client_->Get("/admin/reset");
    EXPECT_EQ(log(), "");
}

TEST_F(SampleService, StatusFaultCarriesRetryAfterAndIsUsedUp) {
    setFaults("# one busy answer\nXtblMain status 503 retry-after 7 times 1\n");
    auto busy = client_->Get("/krv/XtblMain.php?201907140021.0-30302490");
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->get_header_value("Retry-After"), "7");
    auto fine = client_->Get("/krv/XtblMain.php?201907140021.0-30302490");
    ASSERT_TRUE(fine);
    EXPECT_EQ(fine->status, 200);
    EXPECT_EQ(log(), "/krv/XtblMain.php?201907140021.0-30302490\n/krv/XtblMain.php?201907140021.0-30302490\n");
}

TEST_F(SampleService, DropClosesTheConnectionWithoutAnyAnswer) {
    setFaults("MbrDtlMain drop\n");
    EXPECT_EQ(rawGet(service_->port(), "/krv/MbrDtlMain.php?30302490"), "");
    EXPECT_FALSE(client_->Get("/krv/MbrDtlMain.php?30302490"));
    EXPECT_TRUE(client_->Get("/krv/MbrDtlTnmtHst.php?30302490"));
}

TEST_F(SampleService, TruncateAnnouncesTheWholeBodyButSendsHalf) {
    const std::string target = "/krv/XtblMain.php?201907140021.0-30302490";
    const std::string full = answerPageRequest(Catalog::bundled(), target).body;
    setFaults("201907140021 truncate\n");
    std::string raw = rawGet(service_->port(), target);
    std::size_t end = raw.find("\r\n\r\n");
    ASSERT_NE(end, std::string::npos) << raw;
    std::string head = raw.substr(0, end);
    EXPECT_NE(head.find("HTTP/1.1 200"), std::string::npos);
    EXPECT_NE(head.find("Content-Length: " + std::to_string(full.size())), std::string::npos) << head;
    EXPECT_EQ(raw.substr(end + 4), full.substr(0, full.size() / 2));
    EXPECT_FALSE(client_->Get(target)) << "a client must notice the short body";
}

TEST_F(SampleService, EmptyAnswersOkWithNoBody) {
    setFaults("MbrDtlTnmtHst empty times 1\n");
    auto r = client_->Get("/krv/MbrDtlTnmtHst.php?30302490");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_EQ(r->body, "");
    EXPECT_FALSE(client_->Get("/krv/MbrDtlTnmtHst.php?30302490")->body.empty());
}

TEST_F(SampleService, DelayedAnswerDoesNotHoldUpOthers) {
    setFaults("MbrDtlMain delay 2000\n");
    std::atomic<bool> slowDone{false};
    int slowStatus = 0;
    auto started = std::chrono::steady_clock::now();
    std::thread slow([&] {
        httplib::Client c("127.0.0.1", service_->port());
        c.set_read_timeout(20, 0);
        auto r = c.Get("/krv/MbrDtlMain.php?30302490");
        slowStatus = r ? r->status : -1;
        slowDone = true;
    });
    while (log().find("MbrDtlMain") == std::string::npos) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto quick = client_->Get("/krv/MbrDtlTnmtHst.php?30302490");
    ASSERT_TRUE(quick);
    EXPECT_FALSE(slowDone) << "the quick answer came only after the delayed one";
    slow.join();
    EXPECT_EQ(slowStatus, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
}

TEST_F(SampleService, MalformedFaultsAreRefusedAndKeepTheRulesInForce) {
    setFaults("XtblMain status 500\n");
    auto refused = client_->Post("/admin/faults", "XtblMain explode\n", "text/plain");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 400);
    EXPECT_NE(refused->body.find("line 1"), std::string::npos);
    EXPECT_EQ(client_->Get("/krv/XtblMain.php?201907140021")->status, 500);
}

TEST(SampleServiceProcess, FaultFileLatencyAndCleanStop) {
    std::signal(SIGPIPE, SIG_IGN);
    std::string file = ::testing::TempDir() + "krv_sample_faults.txt";
    std::ofstream(file) << "# from a file\nMbrDtlMain status 404\n";
    ServiceProcess service({"--port", "0", "--latency-ms", "30", "--faults", file});
    ASSERT_GT(service.port(), 0) << service.line();
    httplib::Client client("127.0.0.1", service.port());
    client.set_keep_alive(true);  // an idle kept-alive connection must not hold up the stop
    EXPECT_EQ(client.Get("/krv/MbrDtlMain.php?30302490")->status, 404);
    EXPECT_EQ(client.Get("/krv/MbrDtlTnmtHst.php?30302490")->status, 200);
    EXPECT_EQ(service.terminate(), 0);
    std::remove(file.c_str());
}

TEST(SampleServiceProcess, StopsCleanlyRightAfterItsFirstLine) {
    // a stop that arrives before the listening loop runs must not be lost
    for (int i = 0; i < 3; ++i) {
        ServiceProcess service({"--port", "0"});
        ASSERT_GT(service.port(), 0) << service.line();
        EXPECT_EQ(service.terminate(), 0);
    }
}

TEST(SampleServiceProcess, BadArgumentsEndWithUsage) {
    ServiceProcess noPort({"--latency-ms", "5"});
    EXPECT_EQ(noPort.port(), 0);
    EXPECT_EQ(noPort.terminate(false), 2);
    ServiceProcess badFaults({"--port", "0", "--faults", "/nonexistent/faults.txt"});
    EXPECT_EQ(badFaults.terminate(false), 2);
}

}  // namespace
}  // namespace krv::sample

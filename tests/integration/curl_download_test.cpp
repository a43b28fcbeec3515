#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <iostream>
#include <mutex>
#include <thread>

#include "compression.h"
#include "platform/curl_download.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A page with every byte value and both kinds of line end.
std::string codedPage() {
    std::string page = "<html>\r\nline\nline\r";
    for (int i = 0; i < 256 * 64; ++i) page += static_cast<char>(i % 256);
    return page + "</html>\n";
}

// A small web server on the loopback interface with the misbehaviours a
// download has to survive.
class TestServer {
public:
    TestServer() {
        server_.set_keep_alive_max_count(1);
        server_.Get("/page", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("page " + req.get_param_value("n") + "\n", "text/html");
        });
        server_.Get("/redirect",
                    [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page?n=7"); });
        server_.Get("/to-file",
                    [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname"); });
        server_.Get("/status500", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("<html>server error</html>", "text/html");
        });
        server_.Get("/empty",
                    [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        server_.Get("/truncate", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(1000, "text/html", [](std::size_t, std::size_t, httplib::DataSink& sink) {
                std::string half(500, 'x');
                sink.write(half.data(), half.size());
                return false;  // the connection closes with half the body sent
            });
        });
        // Just over 8 MiB: announced by its length, and sent in chunks
        // without one.
        server_.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string((8u << 20) + 1, 'x'), "text/html");
        });
        server_.Get("/big-chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](std::size_t offset, httplib::DataSink& sink) {
                if (offset > (8u << 20)) {
                    sink.done();
                    return true;
                }
                const std::string block(1u << 16, 'x');
                return sink.write(block.data(), block.size());
            });
        });
        // The page in the coding the test names, whatever the request says:
        // what the downloader asks for is checked apart.
        server_.Get("/coded", [](const httplib::Request& req, httplib::Response& res) {
            const std::string coding = req.get_param_value("coding");
            const auto encoding = coding == "gzip"      ? sample::Encoding::Gzip
                                  : coding == "deflate" ? sample::Encoding::Deflate
                                                        : sample::Encoding::Identity;
            if (encoding != sample::Encoding::Identity) res.set_header("Content-Encoding", coding);
            res.set_header("X-Accepted", req.get_header_value("Accept-Encoding"));
            res.set_content(sample::encodeBody(codedPage(), encoding), "text/html");
        });
        server_.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("User-Agent") + "|" + req.get_header_value("Accept-Encoding"),
                            "text/plain");
        });
        server_.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(2500ms);
            res.set_content("late", "text/html");
        });
        // Busy twice with "come back at once", then answers.
        server_.Get("/busy", [this](const httplib::Request&, httplib::Response& res) {
            if (++busyCalls <= 2) {
                res.status = 503;
                res.set_header("Retry-After", "0");
                return;
            }
            res.set_content("at last", "text/html");
        });
        server_.Get("/always429", [this](const httplib::Request&, httplib::Response& res) {
            ++alwaysCalls;
            res.status = 429;
        });
        server_.Get("/wait-an-hour", [this](const httplib::Request&, httplib::Response& res) {
            ++hourCalls;
            res.status = 503;
            res.set_header("Retry-After", "3600");
        });
        server_.Get("/wait-a-minute", [this](const httplib::Request&, httplib::Response& res) {
            ++minuteCalls;
            res.status = 503;
            res.set_header("Retry-After", "60");
        });
        // Answers that do not come until the test is over: before the headers,
        // and after half the body.
        server_.Get("/hang", [this](const httplib::Request&, httplib::Response& res) {
            ++hangCalls;
            waitForTheEnd();
            res.set_content("too late", "text/html");
        });
        server_.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            ++hangCalls;
            res.set_content_provider(1000, "text/html",
                                     [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                         const std::string half(500, 'x');
                                         if (offset == 0) return sink.write(half.data(), half.size());
                                         waitForTheEnd();
                                         return sink.write(half.data(), half.size());
                                     });
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) std::this_thread::sleep_for(1ms);
    }
    ~TestServer() {
        {
            std::lock_guard lock(endMutex_);
            ending_ = true;
        }
        end_.notify_all();
        server_.stop();
        thread_.join();
    }

    std::string url(const std::string& target) const { return "http://127.0.0.1:" + std::to_string(port_) + target; }

    std::atomic<int> busyCalls{0};
    std::atomic<int> alwaysCalls{0};
    std::atomic<int> hourCalls{0};
    std::atomic<int> minuteCalls{0};
    std::atomic<int> hangCalls{0};

private:
    void waitForTheEnd() {
        std::unique_lock lock(endMutex_);
        end_.wait_for(lock, 20s, [this] { return ending_; });
    }

    std::mutex endMutex_;
    std::condition_variable end_;
    bool ending_ = false;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

// A downloader that notes its pauses instead of sleeping.
struct RecordedPauses {
    std::mutex mutex;
    std::vector<std::chrono::milliseconds> pauses;
    DownloadPolicy policy() {
        DownloadPolicy p;
        p.totalTimeout = 1s;
        p.sleep = [this](std::chrono::milliseconds ms) {
            std::lock_guard lock(mutex);
            pauses.push_back(ms);
        };
        return p;
    }
};

struct CurlDownloadTest : ::testing::Test {
    TestServer server;
    TempDir dir;
    RecordedPauses recorded;
    CurlDownloader downloader{recorded.policy()};
    std::string file() const { return dir / "page.txt"; }
};

}  // namespace

TEST_F(CurlDownloadTest, ARedirectIsFollowedToTheWholeAnswer) {
    DownloadResult r = downloader.download(server.url("/redirect"), file());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.httpStatus, 200);
    EXPECT_EQ(readBytes(file()), "page 7\n");
    EXPECT_FALSE(fs::exists(file() + ".partial"));
}

TEST_F(CurlDownloadTest, AFailedDownloadLeavesNoFileAndKeepsWhatWasThere) {
    struct Case {
        std::string url;
        long status;
        std::string cause;
    };
    const std::vector<Case> cases{
        {"http://127.0.0.1:1/page", 0,  // nobody listens there
         "the connection was refused: check the address or your connection; stored data can still be analysed "
         "with Analyse Only"},
        {server.url("/status500"), 500, "the site answered 500 Internal Server Error"},
        {server.url("/nowhere"), 404, "the site answered 404 Not Found"},
        {server.url("/empty"), 200, "the site sent an empty page"},
        {server.url("/truncate"), 200, "the connection broke before the whole page arrived"},
        {server.url("/slow"), 0, "the site did not answer within 1 s"},
        {server.url("/to-file"), 302, "the site sent the download to an address that is not a web page"},
        {server.url("/big"), 200, "the page is larger than 8 MiB"},
        {server.url("/big-chunked"), 200, "the page is larger than 8 MiB"},
    };
    for (const auto& c : cases) {
        writeBytes(file(), "old");
        DownloadResult r = downloader.download(c.url, file());
        EXPECT_FALSE(r.ok) << c.url;
        EXPECT_EQ(r.httpStatus, c.status) << c.url;
        EXPECT_EQ(r.error, c.cause) << c.url;
        EXPECT_EQ(readBytes(file()), "old") << c.url;
        EXPECT_FALSE(fs::exists(file() + ".partial")) << c.url;
    }
}

TEST_F(CurlDownloadTest, ACompressedAnswerIsStoredDecodedByteForByte) {
    for (const std::string coding : {"identity", "gzip", "deflate"}) {
        fs::remove(file());
        DownloadResult r = downloader.download(server.url("/coded?coding=" + coding), file());
        ASSERT_TRUE(r.ok) << coding << ": " << r.error;
        EXPECT_EQ(readBytes(file()), codedPage()) << coding;
    }
    ASSERT_TRUE(downloader.download(server.url("/agent"), file()).ok);
    const std::string seen = readBytes(file());
    EXPECT_EQ(seen.rfind("KRV-Data/" KRV_VERSION " (+mailto:", 0), 0u) << seen;
    EXPECT_NE(seen.find("|"), std::string::npos);
    const std::string accepted = seen.substr(seen.find('|') + 1);
    EXPECT_NE(accepted.find("gzip"), std::string::npos) << accepted;
    EXPECT_NE(accepted.find("deflate"), std::string::npos) << accepted;
}

TEST(RequestRate, OnlyAPositiveNumberUpToAThousandIsARate) {
    EXPECT_EQ(parseRequestRate("5"), 5.0);
    EXPECT_EQ(parseRequestRate("0.5"), 0.5);
    EXPECT_EQ(parseRequestRate("1000"), 1000.0);
    for (const char* bad : {"", "0", "-1", "1001", "5x", "inf", "nan", " 5", "1e9"})
        EXPECT_FALSE(parseRequestRate(bad)) << bad;
}

TEST_F(CurlDownloadTest, RequestsKeepToTheRateOverAllThreads) {
    RecordedPauses unused;
    DownloadPolicy policy = unused.policy();
    policy.maxRequestsPerSecond = 20;
    CurlDownloader limited(policy);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 4; ++i)
                limited.download(server.url("/page?n=1"), dir / ("rate" + std::to_string(t * 10 + i)));
        });
    for (auto& thread : threads) thread.join();
    // 12 requests at 20 per second: the last one goes out 550 ms after the first.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 550ms);
}

TEST_F(CurlDownloadTest, ABusyServerIsAskedAgainAtMostFourTimesAfterRetryAfterOrGrowingPauses) {
    DownloadResult r = downloader.download(server.url("/busy"), file());
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(readBytes(file()), "at last");
    EXPECT_EQ(server.busyCalls, 3);
    EXPECT_EQ(recorded.pauses, (std::vector<std::chrono::milliseconds>{0ms, 0ms}));

    fs::remove(file());
    recorded.pauses.clear();
    r = downloader.download(server.url("/always429"), file());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.httpStatus, 429);
    EXPECT_EQ(server.alwaysCalls, 4);
    ASSERT_EQ(recorded.pauses.size(), 3u);
    EXPECT_GE(recorded.pauses[0], 1000ms);
    EXPECT_GT(recorded.pauses[1], recorded.pauses[0]);
    EXPECT_GT(recorded.pauses[2], recorded.pauses[1]);
    EXPECT_LE(recorded.pauses[2], 30000ms);
    EXPECT_EQ(downloader.backoffPause(12), 30000ms);
    EXPECT_FALSE(fs::exists(file()));

    // A wait that the page's 90 s cannot hold is not waited for at all; one
    // that fits is waited for once, then the next one no longer fits.
    recorded.pauses.clear();
    r = downloader.download(server.url("/wait-an-hour"), file());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(server.hourCalls, 1);
    EXPECT_TRUE(recorded.pauses.empty());
    EXPECT_EQ(r.error,
              "the site answered 503 Service Unavailable and asked to come back in 3600 s, "
              "longer than a page may take (90 s)");
    r = downloader.download(server.url("/wait-a-minute"), file());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(server.minuteCalls, 2);
    EXPECT_EQ(recorded.pauses, (std::vector<std::chrono::milliseconds>{60000ms}));
}

// Cancel, with the program's real pauses: a transfer waiting for its headers
// or for the rest of its body is aborted, a pause before a retry is cut
// short, and nothing is left behind.
TEST(CurlDownloadCancel, AbortsTransfersAndPausesWithinASecond) {
    TestServer server;
    TempDir dir;
    CurlDownloader downloader;  // sleeps for real
    const std::string file = dir / "page.txt";
    struct Case {
        std::string target;
        std::atomic<int>& calls;
    };
    const std::vector<Case> cases{{"/hang", server.hangCalls},
                                  {"/stall", server.hangCalls},
                                  {"/wait-a-minute", server.minuteCalls}};  // Retry-After 60
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        writeBytes(file, "old");
        std::atomic<bool> cancel{false};
        const int calls = c.calls;
        auto result =
            std::async(std::launch::async, [&] { return downloader.download(server.url(c.target), file, &cancel); });
        while (c.calls == calls) std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(300ms);  // well into the wait or the pause
        ASSERT_EQ(result.wait_for(0s), std::future_status::timeout);
        const auto at = std::chrono::steady_clock::now();
        cancel = true;
        ASSERT_EQ(result.wait_for(2s), std::future_status::ready);
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - at);
        EXPECT_LT(took, 1000ms);
        std::cout << "[ measured ] cancel of " << c.target << " took " << took.count() << " ms\n";
        DownloadResult r = result.get();
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.cancelled);
        EXPECT_EQ(readBytes(file), "old");
        EXPECT_FALSE(fs::exists(file + ".partial"));
        EXPECT_EQ(c.calls, calls + 1) << "no retry after Cancel";
    }

    // With the flag set before, no request is made at all.
    std::atomic<bool> cancelled{true};
    const int calls = server.hangCalls;
    DownloadResult r = downloader.download(server.url("/hang"), file, &cancelled);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(server.hangCalls, calls);
}

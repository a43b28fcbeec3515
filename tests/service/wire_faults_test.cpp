// What the service sends for the faults that strain a client's limits and
// checks (junk, maintenance, oversized and endless bodies), compressed
// answers, the hand-shake delay of new connections and the connection count,
// each seen on the wire.
#include "compression.h"
#include "fault_rules.h"
#include "sample_pages.h"
#include "service_process.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <zlib.h>

#include <chrono>
#include <fstream>

namespace krv::sample {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kXtbl = "/krv/XtblMain.php?201907140021.0-30302490";

std::string page(const std::string& target) { return answerPageRequest(Catalog::bundled(), target).body; }

// gzip or zlib data inflated; nullopt when it is neither.
std::optional<std::string> inflated(const std::string& data) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return std::nullopt;
    std::string out;
    char buf[65536];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buf);
        z.avail_out = sizeof buf;
        result = inflate(&z, Z_NO_FLUSH);
        out.append(buf, sizeof buf - z.avail_out);
    }
    inflateEnd(&z);
    if (result != Z_STREAM_END) return std::nullopt;
    return out;
}

TEST(FaultRuleText, NewActionsAndTheirArguments) {
    const struct {
        const char* text;
        const char* error;  // "" when the rule parses
    } cases[] = {
        {"x junk", ""},
        {"x junk 100 times 2", ""},
        {"x junk 0", "line 1: junk takes 1 to 67108864 bytes"},
        {"x maintenance times 1", ""},
        {"x oversize", "line 1: oversize needs a body size in bytes (1-68719476736)"},
        {"x oversize 9000000", ""},
        {"x oversize 9000000 chunked times 3", ""},
        {"x oversize 9000000 close", ""},
        {"x oversize 9000000 sideways", "line 1: unexpected \"sideways\""},
        {"x endless", ""},
        {"x endless 1048576 times 1", ""},
        {"x endless 0", "line 1: endless takes a cap of 1 to 1073741824 bytes"},
        {"x status 429 retry-after 100000", ""},
        {"x status 429 retry-after 900000", "line 1: retry-after needs seconds (0-864000)"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto rules = parseFaultRules(c.text, error);
        EXPECT_EQ(rules.has_value(), *c.error == 0) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
    std::string error;
    const auto rules = parseFaultRules("a oversize 5 chunked times 2\nb endless\nc junk\n", error);
    ASSERT_TRUE(rules) << error;
    EXPECT_EQ((*rules)[0].action, FaultRule::Action::Oversize);
    EXPECT_EQ((*rules)[0].framing, FaultRule::Framing::Chunked);
    EXPECT_EQ((*rules)[0].times, 2);
    EXPECT_EQ((*rules)[1].bytes, std::int64_t{1} << 30);
    EXPECT_EQ((*rules)[2].bytes, 65536);
}

TEST(AcceptEncoding, GzipWhereAcceptedThenDeflateNeverAnotherCoding) {
    const struct {
        const char* header;
        Encoding expected;
    } cases[] = {
        {"", Encoding::Identity},
        {"gzip", Encoding::Gzip},
        {"deflate, gzip, br, zstd", Encoding::Gzip},
        {"GZIP;q=0.5", Encoding::Gzip},
        {"gzip;q=0, deflate", Encoding::Deflate},
        {"gzip; q=0.000, deflate;q=0", Encoding::Identity},
        {"br", Encoding::Identity},
        {"identity", Encoding::Identity},
        {"*", Encoding::Gzip},
        {"x-gzip", Encoding::Gzip},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseEncoding(c.header), c.expected) << c.header;
    const std::string body = page(kXtbl);
    for (Encoding e : {Encoding::Gzip, Encoding::Deflate}) {
        const std::string packed = encodeBody(body, e);
        EXPECT_LT(packed.size(), body.size() / 3);
        EXPECT_EQ(inflated(packed), body);
        EXPECT_EQ(encodeBody(body, e), packed) << "the same bytes every time";
    }
}

class WireFaults : public SharedServiceTest {
protected:
    static RawAnswer get(const std::string& target, const std::string& headers = "",
                         std::size_t maxBytes = std::string::npos) {
        return RawAnswer(rawGet(service_->port, target, headers, maxBytes));
    }
};

TEST_F(WireFaults, PagesAreCompressedExactlyWhenTheRequestAcceptsIt) {
    const std::string body = page(kXtbl);
    const struct {
        const char* accept;
        const char* coding;  // "" for none
    } cases[] = {{"", ""},
                 {"Accept-Encoding: gzip, deflate\r\n", "gzip"},
                 {"Accept-Encoding: deflate\r\n", "deflate"},
                 {"Accept-Encoding: br\r\n", ""},
                 {"Accept-Encoding: gzip;q=0\r\n", ""}};
    for (const auto& c : cases) {
        const RawAnswer a = get(kXtbl, c.accept);
        EXPECT_TRUE(a.head.starts_with("HTTP/1.1 200 OK")) << c.accept;
        EXPECT_EQ(a.header("Content-Type"), "text/html; charset=iso-8859-1") << c.accept;
        EXPECT_EQ(a.header("Content-Length"), std::to_string(a.body.size())) << c.accept;
        if (*c.coding) {
            EXPECT_EQ(a.header("Content-Encoding"), c.coding);
            EXPECT_EQ(inflated(a.body), body) << c.accept;
        } else {
            EXPECT_EQ(a.header("Content-Encoding"), std::nullopt) << c.accept;
            EXPECT_EQ(a.body, body) << c.accept;
        }
    }
    // Error answers too; a client library that decodes gets the page itself.
    setFaults("MbrDtlMain status 503\n");
    const RawAnswer busy = get("/krv/MbrDtlMain.php?30302490", "Accept-Encoding: gzip\r\n");
    EXPECT_TRUE(busy.head.starts_with("HTTP/1.1 503"));
    EXPECT_EQ(busy.header("Content-Encoding"), "gzip");
    httplib::Client client("127.0.0.1", service_->port);
    client.set_decompress(true);
    auto decoded = client.Get(kXtbl, httplib::Headers{{"Accept-Encoding", "gzip"}});
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->body, body);

    ServiceProcess plain("--port 0 --no-compression");
    ASSERT_GT(plain.port, 0);
    const RawAnswer identity(rawGet(plain.port, kXtbl, "Accept-Encoding: gzip, deflate\r\n"));
    EXPECT_EQ(identity.header("Content-Encoding"), std::nullopt);
    EXPECT_EQ(identity.body, body);
}

TEST_F(WireFaults, JunkAndMaintenanceAreWellFormedAnswersWithTheWrongBody) {
    setFaults("XtblMain junk 5000\nMbrDtlTnmtHst junk\nMbrDtlMain maintenance\n");
    const RawAnswer junk = get(kXtbl), again = get(kXtbl), gz = get(kXtbl, "Accept-Encoding: gzip\r\n");
    EXPECT_TRUE(junk.head.starts_with("HTTP/1.1 200 OK"));
    EXPECT_EQ(junk.body.size(), 5000u);
    EXPECT_EQ(again.body, junk.body);
    EXPECT_EQ(inflated(gz.body), junk.body) << "junk compressed like any page";
    EXPECT_EQ(get("/krv/MbrDtlTnmtHst.php?30302490").body.size(), 65536u);
    const RawAnswer notice = get("/krv/MbrDtlMain.php?30302490");
    EXPECT_TRUE(notice.head.starts_with("HTTP/1.1 200 OK"));
    EXPECT_NE(notice.body.find("down for maintenance"), std::string::npos) << notice.body;
}

TEST_F(WireFaults, OversizedBodiesCarryThePageThenLineEndsInEachFraming) {
    const std::int64_t size = 3 * 1024 * 1024 + 7;
    const std::string body = page(kXtbl);
    std::string expected = body + std::string(static_cast<std::size_t>(size) - body.size(), '\n');
    setFaults(
        "201907140021 oversize 3145735 times 1\n201907140021 oversize 3145735 chunked times 1\n"
        "201907140021 oversize 3145735 close times 1\n201907140021 oversize 100 times 1\n");
    const RawAnswer length = get(kXtbl, "Accept-Encoding: gzip\r\n");
    EXPECT_EQ(length.header("Content-Length"), std::to_string(size));
    EXPECT_EQ(length.header("Content-Encoding"), std::nullopt) << "never compressed";
    EXPECT_TRUE(length.body == expected) << length.body.size();

    const RawAnswer chunked = get(kXtbl);
    EXPECT_EQ(chunked.header("Transfer-Encoding"), "chunked");
    EXPECT_EQ(chunked.header("Content-Length"), std::nullopt);
    bool complete = false;
    EXPECT_TRUE(dechunk(chunked.body, complete) == expected);
    EXPECT_TRUE(complete);

    const RawAnswer closed = get(kXtbl);
    EXPECT_EQ(closed.header("Content-Length"), std::nullopt);
    EXPECT_EQ(closed.header("Transfer-Encoding"), std::nullopt);
    EXPECT_TRUE(closed.body == expected) << closed.body.size();

    EXPECT_EQ(get(kXtbl).body, body.substr(0, 100)) << "a size below the page's cuts it";
}

TEST_F(WireFaults, AnEndlessBodyGoesOnUntilTheClientLeavesAndStopsAtItsCap) {
    setFaults("201907140021 endless 2000000 times 1\n201907140021 endless\n");
    const RawAnswer capped = get(kXtbl);
    EXPECT_TRUE(capped.head.starts_with("HTTP/1.1 200 OK"));
    EXPECT_EQ(capped.header("Transfer-Encoding"), "chunked");
    bool complete = true;
    const std::string data = dechunk(capped.body, complete);
    EXPECT_EQ(data.size(), 2000000u);
    EXPECT_FALSE(complete) << "the cap ends the connection, not the body";
    EXPECT_TRUE(data.starts_with(page(kXtbl)));

    // The default cap is far off: a client reads what it wants and leaves.
    const auto started = Clock::now();
    const RawAnswer endless = get(kXtbl, "", 8 * 1024 * 1024);
    EXPECT_GE(endless.body.size(), 8u * 1024 * 1024);
    EXPECT_EQ(get("/krv/MbrDtlMain.php?30302490").head.substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(20));
}

TEST(SampleServiceConnections, HandshakeDelayOncePerConnectionAndTheCounts) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::string errors = ::testing::TempDir() + "krv_service_stderr.txt";
    ServiceProcess service("--port 0 --handshake-ms 300 2>" + errors);
    ASSERT_GT(service.port, 0) << service.line;
    httplib::Client admin("127.0.0.1", service.port);
    ASSERT_TRUE(admin.Get("/admin/reset"));

    auto timed = [](httplib::Client& c, const std::string& target) {
        const auto started = Clock::now();
        auto r = c.Get(target);
        EXPECT_TRUE(r && r->status == 200) << target;
        return Clock::now() - started;
    };
    httplib::Client kept("127.0.0.1", service.port);
    kept.set_keep_alive(true);
    EXPECT_GE(timed(kept, kXtbl), std::chrono::milliseconds(300)) << "first answer on a new connection";
    for (int i = 0; i < 4; ++i) EXPECT_LT(timed(kept, kXtbl), std::chrono::milliseconds(200)) << "same connection";
    for (int i = 0; i < 2; ++i) {
        httplib::Client fresh("127.0.0.1", service.port);
        EXPECT_GE(timed(fresh, "/krv/MbrDtlMain.php?30302490"), std::chrono::milliseconds(300));
    }
    const auto counted = Clock::now();
    auto counts = admin.Get("/admin/connections");
    EXPECT_LT(Clock::now() - counted, std::chrono::milliseconds(200)) << "admin requests are not delayed";
    ASSERT_TRUE(counts);
    // The kept-alive client, the two fresh ones, and the admin request's own connection.
    EXPECT_EQ(counts->body, "accepted 4\nwith-pages 3\n");
    ASSERT_TRUE(admin.Get("/admin/reset"));
    EXPECT_EQ(admin.Get("/admin/connections")->body, "accepted 1\nwith-pages 0\n");

    EXPECT_EQ(service.terminate(), 0);
    std::ifstream in(errors);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "krv-sample-service: connections accepted 1, with page requests 0");
    std::remove(errors.c_str());
}

}  // namespace
}  // namespace krv::sample

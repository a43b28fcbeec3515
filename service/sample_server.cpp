#include "sample_server.h"

#include "compression.h"
#include "wire_answers.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <random>
#include <thread>

namespace krv::sample {

namespace {

int portOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    if (a.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    return -1;
}

// The connected sockets of this process whose local port is `localPort`
// (and whose peer port is `remotePort`, unless that is negative). The HTTP
// library does not hand its sockets to handlers, yet dropping a connection
// without an answer and ending idle keep-alive connections need them.
std::vector<int> connectionSockets(int localPort, int remotePort) {
    std::vector<int> fds;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        int fd = -1;
        try {
            fd = std::stoi(entry.path().filename().string());
        } catch (const std::exception&) { continue; }
        sockaddr_storage local{}, peer{};
        socklen_t len = sizeof local;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0 || portOf(local) != localPort) continue;
        len = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) continue;  // the listening socket
        if (remotePort >= 0 && portOf(peer) != remotePort) continue;
        fds.push_back(fd);
    }
    return fds;
}

std::string statusPage(int status) {
    std::string code = std::to_string(status);
    const char* reason = status == 404   ? "Not Found"
                         : status == 429 ? "Too Many Requests"
                         : status == 500 ? "Internal Server Error"
                         : status == 502 ? "Bad Gateway"
                         : status == 503 ? "Service Unavailable"
                         : status == 504 ? "Gateway Timeout"
                                         : "The request was not served.";
    return "<html>\n<head><title>" + code + "</title></head>\n<body>\n<h3>Error " + code + "</h3>\n<p>" + reason +
           "</p>\n</body>\n</html>\n";
}

constexpr const char* kHtmlType = "text/html; charset=iso-8859-1";
constexpr const char* kTextType = "text/plain";

std::string maintenancePage() {
    return "<html>\n<head>\n<title>Rating Service</title>\n</head>\n<body bgcolor=#ffffff>\n"
           "<h2>The rating service is down for maintenance.</h2>\n"
           "<p>We expect to be back within the hour. Thank you for your patience.</p>\n</body>\n</html>\n";
}

// The same bytes for every request: the service reads no clock and no
// outside randomness.
std::string junkBytes(std::int64_t size) {
    std::mt19937_64 random(20261207);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t r = random();
        for (std::size_t k = 0; k < 8 && i + k < bytes.size(); ++k) bytes[i + k] = static_cast<char>(r >> (8 * k));
    }
    return bytes;
}

// Whether the connection served on this thread has carried a page request
// yet. The HTTP library serves all requests of one connection on the one
// thread that its task queue handed the connection to.
thread_local bool pageSeenOnConnection = false;

// The server's task queue: the HTTP library enqueues one task per accepted
// connection, so this is where connections are counted and where each
// thread learns that a new connection begins.
class CountingQueue : public httplib::TaskQueue {
public:
    CountingQueue(std::size_t threads, std::atomic<std::int64_t>& accepted) : pool_(threads), accepted_(accepted) {}
    void enqueue(std::function<void()> fn) override {
        ++accepted_;
        pool_.enqueue([fn = std::move(fn)] {
            pageSeenOnConnection = false;
            fn();
        });
    }
    void shutdown() override { pool_.shutdown(); }

private:
    httplib::ThreadPool pool_;
    std::atomic<std::int64_t>& accepted_;
};

}  // namespace

class SampleServer::Impl {
public:
    Impl(const Catalog& catalog, ServerOptions options)
        : catalog_(catalog),
          latencyMs_(options.latencyMs),
          handshakeMs_(options.handshakeMs),
          compression_(options.compression) {
        faults_.replace(std::move(options.faults));
        // Several requests must be answered at once (the latency is per answer).
        server_.new_task_queue = [this] { return new CountingQueue(16, accepted_); };
        server_.set_keep_alive_max_count(1000);
        server_.set_keep_alive_timeout(2);
        server_.Get("/admin/requests", [this](const httplib::Request&, httplib::Response& res) {
            std::string body;
            {
                std::lock_guard lock(logMutex_);
                for (const std::string& t : log_) body += t + "\n";
            }
            res.set_content(body, kTextType);
        });
        server_.Get("/admin/reset", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard lock(logMutex_);
            log_.clear();
            accepted_ = 0;
            withPages_ = 0;
            res.set_content("ok\n", kTextType);
        });
        server_.Get("/admin/connections", [this](const httplib::Request&, httplib::Response& res) {
            const ConnectionCounts counts = connectionCounts();
            res.set_content("accepted " + std::to_string(counts.accepted) + "\nwith-pages " +
                                std::to_string(counts.withPages) + "\n",
                            kTextType);
        });
        server_.Post("/admin/faults", [this](const httplib::Request& req, httplib::Response& res) {
            std::string error;
            auto rules = parseFaultRules(req.body, error);
            if (!rules) {
                res.status = 400;
                res.set_content(error + "\n", kTextType);
                return;
            }
            std::size_t n = rules->size();
            faults_.replace(std::move(*rules));
            res.set_content("ok " + std::to_string(n) + " rules\n", kTextType);
        });
        server_.Get(".*", [this](const httplib::Request& req, httplib::Response& res) { servePage(req, res); });
    }

    int bind(int port) {
        if (port == 0) {
            port_ = server_.bind_to_any_port("127.0.0.1");
        } else {
            port_ = server_.bind_to_port("127.0.0.1", port) ? port : -1;
        }
        return port_;
    }

    bool run() {
        runStarted_ = true;
        bool ok = !stopRequested_ && port_ > 0 ? server_.listen_after_bind() : port_ > 0;
        runDone_ = true;
        return ok;
    }

    // The library ignores a stop that comes before its listening loop runs,
    // so a stop in that short window waits for the loop (or for run() to
    // give up) before it asks again.
    void stop() {
        {
            // Answers waiting out a delay or a stall end now: a test that
            // stops the service must not wait for a slow answer nobody reads.
            std::lock_guard lock(waitMutex_);
            stopRequested_ = true;
        }
        waitEnded_.notify_all();
        if (!runStarted_) return;  // run() will see the request
        while (!runDone_ && !server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        server_.stop();
        if (port_ > 0)
            for (int fd : connectionSockets(port_, -1)) shutdown(fd, SHUT_RDWR);
    }

    std::vector<std::string> requestLog() const {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    ConnectionCounts connectionCounts() const { return {accepted_.load(), withPages_.load()}; }

private:
    void servePage(const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard lock(logMutex_);
            log_.push_back(req.target);
        }
        int wait = latencyMs_;
        if (!pageSeenOnConnection) {
            // Stands for the TCP and TLS set-up a new connection costs on a real link.
            pageSeenOnConnection = true;
            ++withPages_;
            wait += handshakeMs_;
        }
        std::optional<FaultRule> rule = faults_.take(req.target);
        if (rule && rule->action == FaultRule::Action::Delay) wait += rule->delayMs;
        waitUnlessStopped(wait);
        if (rule && serveFault(*rule, req, res)) return;
        PageAnswer a = answerPageRequest(catalog_, req.target);
        sendBody(req, res, a.status, a.contentType, std::move(a.body));
    }

    // Answers as the rule says; false when the page is to be served after all.
    bool serveFault(const FaultRule& rule, const httplib::Request& req, httplib::Response& res) {
        switch (rule.action) {
            case FaultRule::Action::Status:
                sendBody(req, res, rule.status, kHtmlType, statusPage(rule.status));
                if (rule.retryAfter >= 0) res.set_header("Retry-After", std::to_string(rule.retryAfter));
                return true;
            case FaultRule::Action::Drop:
                // Nothing has been written yet; after this the library's
                // attempt to answer fails and it closes the connection.
                endConnection(req, res);
                return true;
            case FaultRule::Action::Empty:
                res.status = 200;
                res.set_content("", kHtmlType);
                return true;
            case FaultRule::Action::Truncate: {
                PageAnswer a = answerPageRequest(catalog_, req.target);
                auto body = std::make_shared<std::string>(std::move(a.body));
                res.status = a.status;
                // Announce the whole length, write half, then refuse to go
                // on: the library closes the connection.
                res.set_content_provider(body->size(), a.contentType,
                                         [body](std::size_t, std::size_t, httplib::DataSink& sink) {
                                             sink.write(body->data(), body->size() / 2);
                                             return false;
                                         });
                return true;
            }
            case FaultRule::Action::Stall: {
                PageAnswer a = answerPageRequest(catalog_, req.target);
                auto body = std::make_shared<std::string>(std::move(a.body));
                res.status = a.status;
                const int pause = rule.delayMs;
                // Half the body, a pause (cut short when the service stops), the rest.
                res.set_content_provider(body->size(), a.contentType,
                                         [this, body, pause](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                             const std::size_t half = body->size() / 2;
                                             if (offset < half) return sink.write(body->data(), half);
                                             waitUnlessStopped(pause);
                                             return sink.write(body->data() + offset, body->size() - offset);
                                         });
                return true;
            }
            case FaultRule::Action::Junk:
                sendBody(req, res, 200, kHtmlType, junkBytes(rule.bytes));
                return true;
            case FaultRule::Action::Maintenance:
                sendBody(req, res, 200, kHtmlType, maintenancePage());
                return true;
            case FaultRule::Action::Oversize:
            case FaultRule::Action::Endless:
                sendOnTheWire(rule, req, res);
                return true;
            case FaultRule::Action::Delay:
                break;
        }
        return false;
    }

    // Bodies past the library: written to the socket here, then the
    // connection is ended.
    void sendOnTheWire(const FaultRule& rule, const httplib::Request& req, httplib::Response& res) {
        PageAnswer a = answerPageRequest(catalog_, req.target);
        const std::string page = a.status == 200 ? std::move(a.body) : std::string();
        const std::vector<int> sockets = connectionSockets(req.local_port, req.remote_port);
        if (!sockets.empty()) {
            const std::chrono::seconds limit(kEndlessSecondsCap);
            if (rule.action == FaultRule::Action::Oversize)
                sendOversizedAnswer(sockets.front(), page, rule.bytes, rule.framing, limit);
            else sendEndlessAnswer(sockets.front(), page, rule.bytes, limit);
        }
        endConnection(req, res);
    }

    static void endConnection(const httplib::Request& req, httplib::Response& res) {
        for (int fd : connectionSockets(req.local_port, req.remote_port)) shutdown(fd, SHUT_RDWR);
        res.status = 500;
    }

    // The HTTP library would compress a text body itself, by its own choice
    // of coding; a body handed over with its length it sends as it is. So
    // the body is compressed here, as the request and the options allow.
    void sendBody(const httplib::Request& req, httplib::Response& res, int status, const std::string& type,
                  std::string body) {
        res.status = status;
        const Encoding encoding =
            compression_ ? chooseEncoding(req.get_header_value("Accept-Encoding")) : Encoding::Identity;
        if (encoding != Encoding::Identity) {
            body = encodeBody(body, encoding);
            res.set_header("Content-Encoding", std::string(encodingName(encoding)));
        }
        res.set_header("Vary", "Accept-Encoding");
        if (body.empty()) {
            res.set_content("", type);
            return;
        }
        auto shared = std::make_shared<std::string>(std::move(body));
        res.set_content_provider(shared->size(), type,
                                 [shared](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     return sink.write(shared->data() + offset, length);
                                 });
    }

    void waitUnlessStopped(int ms) {
        if (ms <= 0) return;
        std::unique_lock lock(waitMutex_);
        waitEnded_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopRequested_.load(); });
    }

    const Catalog& catalog_;
    const int latencyMs_;
    const int handshakeMs_;
    const bool compression_;
    std::atomic<std::int64_t> accepted_{0}, withPages_{0};
    std::mutex waitMutex_;
    std::condition_variable waitEnded_;
    httplib::Server server_;
    int port_ = -1;
    std::atomic<bool> runStarted_{false}, runDone_{false}, stopRequested_{false};
    FaultTable faults_;
    mutable std::mutex logMutex_;
    std::vector<std::string> log_;
};

SampleServer::SampleServer(const Catalog& catalog, ServerOptions options)
    : impl_(std::make_unique<Impl>(catalog, std::move(options))) {}
SampleServer::~SampleServer() = default;
int SampleServer::bind(int port) { return impl_->bind(port); }
bool SampleServer::run() { return impl_->run(); }
void SampleServer::stop() { impl_->stop(); }
std::vector<std::string> SampleServer::requestLog() const { return impl_->requestLog(); }
ConnectionCounts SampleServer::connectionCounts() const { return impl_->connectionCounts(); }

}  // namespace krv::sample

// A run of krv-sample-service for the tests, and raw HTTP exchanges with it
// over loopback, where the bytes on the wire matter.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

namespace krv::sample {

// One run of krv-sample-service: its process ID (the shell's, which execs it),
// the first line it printed and the port that line names. `args` may end in
// a shell redirection of stderr.
struct ServiceProcess {
    explicit ServiceProcess(const std::string& args)
        : out(popen(("echo $$; exec " KRV_SAMPLE_SERVICE_EXE " " + args).c_str(), "r")) {
        char buf[200];
        if (out && std::fgets(buf, sizeof buf, out)) pid = std::atoi(buf);
        if (out && std::fgets(buf, sizeof buf, out)) line = buf;
        std::smatch m;
        if (std::regex_match(line, m, std::regex("listening on http://127\\.0\\.0\\.1:(\\d+)\n")))
            port = std::stoi(m[1]);
    }
    ~ServiceProcess() {
        if (out) terminate(SIGKILL);
    }
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;
    // The exit code after the signal (0: none, wait for the end); -1 when a signal ended it.
    int terminate(int signal = SIGTERM) {
        if (signal && pid > 0) kill(pid, signal);
        int status = pclose(out);
        out = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    FILE* out;
    pid_t pid = 0;
    int port = 0;
    std::string line;
};

// A connected socket to 127.0.0.1:port with a receive timeout; -1 on failure.
inline int connectLoopback(int port, int timeoutSeconds = 20) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    timeval tv{timeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A GET on a fresh connection with the extra header lines given (each ending
// in CR LF), read to its end or until `maxBytes` have come: the raw answer.
inline std::string rawGet(int port, const std::string& target, const std::string& headers = "",
                          std::size_t maxBytes = std::string::npos) {
    std::string request = "GET " + target + " HTTP/1.1\r\nHost: x\r\n" + headers + "Connection: close\r\n\r\n", answer;
    const int fd = connectLoopback(port);
    if (fd < 0) return answer;
    char buf[65536];
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) > 0)
        for (ssize_t n; answer.size() < maxBytes && (n = recv(fd, buf, sizeof buf, 0)) > 0;)
            answer.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return answer;
}

// The parts of a raw answer.
struct RawAnswer {
    std::string head;  // status line and header lines, without the empty line
    std::string body;  // as sent, still chunked where it was

    explicit RawAnswer(const std::string& raw) {
        const std::size_t end = raw.find("\r\n\r\n");
        head = raw.substr(0, end);
        if (end != std::string::npos) body = raw.substr(end + 4);
    }
    // A header's value (name compared as written); nullopt when absent.
    std::optional<std::string> header(const std::string& name) const {
        const std::size_t at = head.find("\r\n" + name + ": ");
        if (at == std::string::npos) return std::nullopt;
        const std::size_t from = at + name.size() + 4;
        return head.substr(from, head.find("\r\n", from) - from);
    }
};

// The data of a chunked body; `complete` tells whether the final chunk came.
inline std::string dechunk(const std::string& body, bool& complete) {
    std::string data;
    complete = false;
    std::size_t at = 0;
    while (at < body.size()) {
        const std::size_t lineEnd = body.find("\r\n", at);
        if (lineEnd == std::string::npos) break;
        const std::size_t size = std::stoul(body.substr(at, lineEnd - at), nullptr, 16);
        if (size == 0) {
            complete = body.compare(lineEnd, 4, "\r\n\r\n") == 0;
            break;
        }
        if (lineEnd + 2 + size > body.size()) {
            data += body.substr(lineEnd + 2);
            break;
        }
        data += body.substr(lineEnd + 2, size);
        at = lineEnd + 2 + size + 2;
    }
    return data;
}

// A test suite sharing one run of the service; every test starts without
// fault rules.
class SharedServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::signal(SIGPIPE, SIG_IGN);
        service_ = new ServiceProcess("--port 0");
    }
    static void TearDownTestSuite() {
        delete service_;
        service_ = nullptr;
    }
    void SetUp() override {
        ASSERT_GT(service_->port, 0) << "first line: " << service_->line;
        setFaults("");
    }
    static void setFaults(const std::string& rules) {
        auto r = httplib::Client("127.0.0.1", service_->port).Post("/admin/faults", rules, "text/plain");
        ASSERT_TRUE(r);
        ASSERT_EQ(r->status, 200) << r->body;
    }

    static inline ServiceProcess* service_ = nullptr;
};

}  // namespace krv::sample

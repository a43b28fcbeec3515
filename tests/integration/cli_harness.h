// Running the real programs: the sample rating service on an ephemeral
// loopback port, and krv-cli against it with a store of its own.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "support/temp_store.h"

namespace krv::testing {

// Starts a program with its standard output and error going to files (or,
// for stdoutPipe, to a pipe the caller reads).
inline pid_t spawn(const std::vector<std::string>& argv, const std::string& outPath, const std::string& errPath,
                   int* stdoutPipe = nullptr) {
    int fds[2] = {-1, -1};
    if (stdoutPipe && ::pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (stdoutPipe) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
        } else {
            int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
        }
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, STDERR_FILENO);
        int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, STDIN_FILENO);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (stdoutPipe) {
        ::close(fds[1]);
        *stdoutPipe = fds[0];
    }
    return pid;
}

inline int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The sample service, stopped with the object.
class SampleService {
public:
    // options: further command-line options of the service, such as
    // "--no-compression".
    explicit SampleService(int latencyMs = 0, const std::vector<std::string>& options = {}) : logDir_() {
        std::vector<std::string> argv{KRV_SERVICE_PATH, "--port", "0"};
        if (latencyMs > 0) {
            argv.push_back("--latency-ms");
            argv.push_back(std::to_string(latencyMs));
        }
        argv.insert(argv.end(), options.begin(), options.end());
        pid_ = spawn(argv, "", logDir_ / "service.err", &stdout_);
        std::string line;
        char c;
        while (::read(stdout_, &c, 1) == 1 && c != '\n') line += c;
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) != 0) throw std::runtime_error("the sample service did not start: " + line);
        url_ = line.substr(prefix.size());
        port_ = std::stoi(url_.substr(url_.rfind(':') + 1));
    }
    ~SampleService() {
        ::kill(pid_, SIGTERM);
        waitExit(pid_);
        ::close(stdout_);
    }
    SampleService(const SampleService&) = delete;
    SampleService& operator=(const SampleService&) = delete;

    const std::string& url() const { return url_; }

    // Page requests served since the last reset, in order of arrival.
    std::vector<std::string> requests() const {
        auto res = client().Get("/admin/requests");
        if (!res) throw std::runtime_error("no request log");
        return splitLines(res->body);
    }
    int requestsContaining(const std::string& part) const {
        int n = 0;
        for (const auto& r : requests())
            if (r.find(part) != std::string::npos) ++n;
        return n;
    }
    void reset() const { client().Get("/admin/reset"); }
    // Connections accepted since the start or the last reset that carried
    // at least one page request (the harness's own admin requests excluded).
    int connectionsWithPages() const {
        auto res = client().Get("/admin/connections");
        if (!res) throw std::runtime_error("no connection count");
        for (const auto& line : splitLines(res->body))
            if (line.rfind("with-pages ", 0) == 0) return std::stoi(line.substr(11));
        throw std::runtime_error("no with-pages line: " + res->body);
    }
    void setFaults(const std::string& rules) const {
        auto res = client().Post("/admin/faults", rules, "text/plain");
        if (!res || res->status != 200) throw std::runtime_error("fault rules refused: " + rules);
    }

private:
    httplib::Client client() const { return httplib::Client("127.0.0.1", port_); }

    TempDir logDir_;
    pid_t pid_ = -1;
    int stdout_ = -1;
    int port_ = 0;
    std::string url_;
};

struct CliResult {
    int exitCode = 0;
    std::string out;
    std::string err;
};

// krv-cli with a store of its own.
class Cli {
public:
    Cli(const SampleService& service, std::string store) : service_(service), store_(std::move(store)) {}

    std::vector<std::string> argv(const std::vector<std::string>& words, int connections) const {
        std::vector<std::string> a{KRV_CLI_PATH,
                                   "--store",
                                   store_,
                                   "--base-url",
                                   service_.url(),
                                   "--connections",
                                   std::to_string(connections)};
        a.insert(a.end(), words.begin(), words.end());
        return a;
    }

    CliResult run(const std::vector<std::string>& words, int connections = 2) const {
        const std::string out = store_ + ".out", err = store_ + ".err";
        pid_t pid = spawn(argv(words, connections), out, err);
        CliResult result;
        result.exitCode = waitExit(pid);
        result.out = readBytes(out);
        result.err = readBytes(err);
        return result;
    }
    pid_t start(const std::vector<std::string>& words, int connections) const {
        return spawn(argv(words, connections), store_ + ".out", store_ + ".err");
    }

    const std::string& store() const { return store_; }
    std::string dataDir(const std::string& id) const { return store_ + "/Data/" + id; }
    std::string resultsDir(const std::string& id) const { return store_ + "/Results/" + id; }

private:
    const SampleService& service_;
    std::string store_;
};

// Every file of a folder with its bytes.
inline std::map<std::string, std::string> folderContents(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        files[entry.path().filename().string()] = readBytes(entry.path().string());
    return files;
}

}  // namespace krv::testing

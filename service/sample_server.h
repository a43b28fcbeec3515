// The HTTP side of the sample rating service: serves the catalog's pages on
// 127.0.0.1, keeps a log of the page requests and applies fault rules.
#pragma once

#include "fault_rules.h"
#include "sample_pages.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace krv::sample {

struct ServerOptions {
    int latencyMs = 0;        // added before every page answer
    int handshakeMs = 0;      // added before the first page answer on each connection
    bool compression = true;  // gzip or deflate where the request accepts it
    std::vector<FaultRule> faults;
};

// Connections since the start or the last /admin/reset.
struct ConnectionCounts {
    std::int64_t accepted = 0;   // every connection, admin requests' own included
    std::int64_t withPages = 0;  // those that carried at least one page request
};

class SampleServer {
public:
    SampleServer(const Catalog& catalog, ServerOptions options);
    ~SampleServer();
    SampleServer(const SampleServer&) = delete;
    SampleServer& operator=(const SampleServer&) = delete;

    // Binds 127.0.0.1:port (0 picks a free port); the bound port, or -1.
    int bind(int port);
    // Serves until stop(); false when the server could not run.
    bool run();
    // Safe from any thread, also before run() has started (run() then
    // returns at once); ends the connections kept alive, so run() does not
    // wait for them.
    void stop();

    std::vector<std::string> requestLog() const;
    ConnectionCounts connectionCounts() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace krv::sample

// krv-sample-service: the bundled sample rating service on 127.0.0.1.
//
//   krv-sample-service --port N [--latency-ms L] [--handshake-ms H] [--no-compression] [--faults FILE]
//   krv-sample-service --list-members
//   krv-sample-service --help | --version
//
// Prints "listening on http://127.0.0.1:PORT" once bound and serves until
// SIGTERM or SIGINT; then writes the connection counts to stderr.
#include "sample_server.h"

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace krv::sample;

void printUsage(std::ostream& out) {
    out << "usage: krv-sample-service --port N [--latency-ms L] [--handshake-ms H] [--no-compression]\n"
        << "                          [--faults FILE]\n"
        << "       krv-sample-service --list-members\n"
        << "       krv-sample-service --help | --version\n";
}

int usage(const std::string& problem) {
    std::cerr << "krv-sample-service: " << problem << "\n";
    printUsage(std::cerr);
    return 2;
}

bool toInt(const std::string& s, int lo, int hi, int& out) {
    try {
        std::size_t used = 0;
        int v = std::stoi(s, &used);
        if (used != s.size() || v < lo || v > hi) return false;
        out = v;
        return true;
    } catch (const std::exception&) { return false; }
}

void listMembers(const Catalog& catalog) {
    std::printf("%-8s  %-22s %6s %5s %5s %6s %5s  %s\n", "ID", "Name", "Events", "Pages", "Multi", "Rated", "Quick",
                "Purpose");
    for (const BundledMember& b : bundledMembers()) {
        const Member* m = catalog.findMember(b.id);
        if (!m) continue;
        MemberSummary s = catalog.summary(*m);
        std::printf("%-8s  %-22s %6d %5d %5d %6d %5d  %.*s\n", s.id.c_str(), s.name.c_str(), s.events, s.historyPages,
                    s.multiSection, s.ratedGames, s.quickRows, static_cast<int>(b.purpose.size()), b.purpose.data());
    }
}

}  // namespace

int main(int argc, char** argv) {
    int port = -1;
    ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (arg == "--port") {
            if (!toInt(value(), 0, 65535, port)) return usage("--port needs a number from 0 to 65535");
        } else if (arg == "--latency-ms") {
            if (!toInt(value(), 0, 600000, options.latencyMs)) return usage("--latency-ms needs milliseconds");
        } else if (arg == "--handshake-ms") {
            if (!toInt(value(), 0, 600000, options.handshakeMs)) return usage("--handshake-ms needs milliseconds");
        } else if (arg == "--no-compression") {
            options.compression = false;
        } else if (arg == "--faults") {
            std::string file = value();
            std::ifstream in(file, std::ios::binary);
            if (!in) return usage("cannot read the fault file \"" + file + "\"");
            std::stringstream text;
            text << in.rdbuf();
            std::string error;
            auto rules = parseFaultRules(text.str(), error);
            if (!rules) return usage(file + ": " + error);
            options.faults = std::move(*rules);
        } else if (arg == "--help" || arg == "-h") {
            printUsage(std::cout);
            return 0;
        } else if (arg == "--version") {
            std::cout << "krv-sample-service " << KRV_VERSION << "\n";
            return 0;
        } else if (arg == "--list-members") {
            listMembers(Catalog::bundled());
            return 0;
        } else {
            return usage("unknown argument \"" + arg + "\"");
        }
    }
    if (port < 0) return usage("--port is required");

    // SIGTERM and SIGINT go to one waiting thread that stops the server; a
    // client going away must not kill the process.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const Catalog& catalog = Catalog::bundled();
    SampleServer server(catalog, std::move(options));
    int bound = server.bind(port);
    if (bound < 0) {
        std::cerr << "krv-sample-service: cannot bind 127.0.0.1:" << port << "\n";
        return 1;
    }
    std::thread stopper([&server, stopSignals] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        server.stop();
    });
    std::printf("listening on http://127.0.0.1:%d\n", bound);
    std::fflush(stdout);
    bool ok = server.run();
    // wake the stopper if no signal came (run failed), so it can be joined
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    const ConnectionCounts counts = server.connectionCounts();
    std::fprintf(stderr, "krv-sample-service: connections accepted %lld, with page requests %lld\n",
                 static_cast<long long>(counts.accepted), static_cast<long long>(counts.withPages));
    return ok ? 0 : 1;
}

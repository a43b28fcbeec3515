// Speed of the two long operations on the benchmark member of the sample
// service (1,600 events, 9,600 games):
//
//   AnalyseOnly     / ReadDataFolder : Analyse Only against reading the same
//                                      data folder once (goal: at most 1.5),
//                                      medians of interleaved repetitions;
//                                      cold:1 with the pages on disk (as on
//                                      a later day), cold:0 with them cached
//   UpdateRun/1     / UpdateRun/4    : a first update (downloads and storing,
//                                      as Update All runs it) over one and
//                                      over four connections, against the
//                                      sample service at 20 ms latency
//                                      (goal: four connections at least 3x
//                                      faster)
//
//   FirstUpdate/N                    : a first update of a member of today's
//                                      size (300 events) over N = 1, 2, 4
//                                      connections at 20 ms latency and 60 ms
//                                      for each new connection, as a real
//                                      link costs; FirstUpdateNewConnections
//                                      opens a connection per page, as every
//                                      download did before connections were
//                                      kept (goal: 4 connections at least 3x
//                                      faster than 1)
//   PeakMemory/N                     : krv-cli's peak resident memory for an
//                                      Update All IDs (downloads and storing)
//                                      whose first crosstables are 8 MiB,
//                                      over N connections (goal: at most
//                                      64 MiB + 2 x 8 MiB per connection)
//
// The ratios are printed at the end of one run, since the machine is shared
// and its speed varies from run to run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "acquisition/update_run.h"
#include "benchmark_member.h"
#include "cli_harness.h"
#include "platform/curl_download.h"
#include "sample_pages.h"
#include "session/session.h"
#include "shell/commands.h"

namespace {

using namespace krv;
namespace fs = std::filesystem;

using bench::CatalogDownloader;
using bench::kMember;
using bench::kMemoryBase;
using bench::MemberStore;

// The machine is shared and its speed drifts: the two sides of a ratio are
// measured in interleaved repetitions and compared by their medians.
constexpr int kRepetitions = 7;

MemberStore& memberStore() {
    static MemberStore store;
    return store;
}

// With state.range(0) set, the data folder's pages are dropped from the
// page cache before each iteration, as they are when a player analyses
// pages stored on an earlier day; otherwise they stay cached from the
// iteration before.
void dropFromPageCache(const std::string& dataDir) {
    for (const auto& entry : fs::directory_iterator(dataDir)) {
        const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

void prepareIteration(benchmark::State& state, const std::string& dataDir) {
    if (state.range(0) == 0) return;
    state.PauseTiming();
    dropFromPageCache(dataDir);
    state.ResumeTiming();
}

void ReadDataFolder(benchmark::State& state) {
    const std::string dataDir = memberStore().dataDir;
    for (auto _ : state) {
        prepareIteration(state, dataDir);
        std::size_t bytes = 0;
        for (const auto& entry : fs::directory_iterator(dataDir)) {
            auto content = readFileBytes(entry.path().string());
            bytes += content ? content->size() : 0;
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(ReadDataFolder)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void AnalyseOnly(benchmark::State& state) {
    MemberStore& store = memberStore();
    RecordingMessageBox boxes;
    CatalogDownloader pages;
    KrvSession session(SessionOptions{store.dir / "KRV", kMemoryBase, 1}, boxes, pages);
    startUp(session);
    for (auto _ : state) {
        prepareIteration(state, store.dataDir);
        session.pickIdBoxEntry(store.entry);
        cmdAnalyseOnly_Click(session);
    }
    state.counters["games"] = static_cast<double>(session.state.gameCount);
}
BENCHMARK(AnalyseOnly)
    ->ArgName("cold")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

testing::SampleService& slowService() {
    static testing::SampleService service(20);
    return service;
}

void UpdateRun(benchmark::State& state) {
    const int connections = static_cast<int>(state.range(0));
    testing::SampleService& service = slowService();
    // Each run gets a new store; they are removed after the timing, since
    // removing thousands of files takes seconds of its own.
    std::vector<std::unique_ptr<testing::TempDir>> stores;
    int downloaded = 0;
    bool completed = true;
    for (auto _ : state) {
        state.PauseTiming();
        stores.push_back(std::make_unique<testing::TempDir>());
        RecordingMessageBox boxes;
        CurlDownloader downloader;
        KrvSession session(SessionOptions{*stores.back() / "KRV", service.url(), connections}, boxes, downloader);
        startUp(session);
        boxes.shown.clear();                    // the welcome of a new store
        session.state.updateAllRunning = true;  // the download and storing only
        session.setIdBoxText(kMember);
        state.ResumeTiming();
        CmdUpdateData_Click(session);
        downloaded = session.state.downloadedCount;
        completed = completed && downloaded >= 1500 && boxes.shown.empty() && session.state.freshDownload;
        for (const auto& box : boxes.shown) std::cerr << box.title << ": " << box.text << "\n";
    }
    state.counters["events"] = downloaded;
    if (!completed) state.SkipWithError("the update run did not complete");
}
BENCHMARK(UpdateRun)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

const std::string kBusyMember(sample::kBusyMemberId);

testing::SampleService& linkLikeService() {
    static testing::SampleService service(20, {"--handshake-ms", "60"});
    return service;
}

// Every download on a connection of its own, as before connections were
// kept: the baseline of the first-update figures.
class NewConnectionEachDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path, const CancelFlag* cancel) override {
        CurlDownloader once;
        return once.download(url, path, cancel);
    }
};

template <typename Pages>
void firstUpdate(benchmark::State& state, int connections) {
    testing::SampleService& service = linkLikeService();
    std::vector<std::unique_ptr<testing::TempDir>> stores;
    bool completed = true;
    int downloaded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        stores.push_back(std::make_unique<testing::TempDir>());
        RecordingMessageBox boxes;
        Pages downloader;
        KrvSession session(SessionOptions{*stores.back() / "KRV", service.url(), connections}, boxes, downloader);
        startUp(session);
        boxes.shown.clear();
        session.state.updateAllRunning = true;
        session.setIdBoxText(kBusyMember);
        service.reset();
        state.ResumeTiming();
        CmdUpdateData_Click(session);
        state.PauseTiming();
        state.counters["connections"] = service.connectionsWithPages();
        state.ResumeTiming();
        downloaded = session.state.downloadedCount;
        completed = completed && downloaded == 300 && boxes.shown.empty();
        for (const auto& box : boxes.shown) std::cerr << box.title << ": " << box.text << "\n";
    }
    state.counters["events"] = downloaded;
    if (!completed) state.SkipWithError("the update run did not complete");
}

void FirstUpdate(benchmark::State& state) { firstUpdate<CurlDownloader>(state, static_cast<int>(state.range(0))); }
BENCHMARK(FirstUpdate)->Arg(1)->Arg(2)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void FirstUpdateNewConnections(benchmark::State& state) {
    firstUpdate<NewConnectionEachDownloader>(state, static_cast<int>(state.range(0)));
}
BENCHMARK(FirstUpdateNewConnections)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// krv-cli in a process of its own, so that its peak resident size is its
// own: the first crosstables are answered with exactly 8 MiB (the page, then line
// ends), the largest page the program takes.
void PeakMemory(benchmark::State& state) {
    const int connections = static_cast<int>(state.range(0));
    testing::SampleService service;
    // Enough of them to keep every connection busy with one for a while,
    // few enough to spare the disk.
    service.setFaults("XtblMain oversize 8388608 times " + std::to_string(3 * connections));
    long peakKiB = 0;
    int exitCode = 0;
    for (auto _ : state) {
        testing::TempDir dir;
        testing::Cli cli(service, dir / "store");
        // update-all downloads and stores only: the analysis afterwards,
        // which reads the stored pages its own way, is not measured here.
        fs::create_directories(cli.store());
        if (!writeFileAtomically(cli.store() + "/config.txt", "12843395 -- MARGARET A LINDQVIST\r\n"))
            state.SkipWithError("cannot write the ID list");
        const pid_t pid = cli.start({"update-all"}, connections);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        peakKiB = usage.ru_maxrss;
    }
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    state.counters["limit_MiB"] = 64.0 + 2.0 * 8.0 * connections;
    if (exitCode != 0) state.SkipWithError("the update with 8 MiB pages failed");
}
BENCHMARK(PeakMemory)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Notes each benchmark's real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.error_occurred) continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

void printRatio(const RatioReporter& reporter, const std::string& what, const std::string& a, const std::string& b,
                const std::string& goal) {
    auto ia = reporter.times.find(a), ib = reporter.times.find(b);
    if (ia == reporter.times.end() || ib == reporter.times.end() || ib->second <= 0) return;
    std::cout << what << ": " << a << " / " << b << " = " << ia->second / ib->second << "  (goal " << goal << ")\n";
}

}  // namespace

int main(int argc, char** argv) {
    // Repetitions of different benchmarks alternate unless told otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    memberStore();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string repeated = "/repeats:" + std::to_string(kRepetitions) + "/real_time";
    for (const char* cache : {"/cold:1", "/cold:0"})
        printRatio(
            reporter, std::string("Analyse Only (medians, ") + (cache[6] == '1' ? "pages on disk)" : "pages cached)"),
            "AnalyseOnly" + std::string(cache) + repeated, "ReadDataFolder" + std::string(cache) + repeated, "<= 1.5");
    printRatio(reporter, "Update run", "UpdateRun/1/iterations:1/real_time", "UpdateRun/4/iterations:1/real_time",
               ">= 3");
    printRatio(reporter, "First update, 300 events", "FirstUpdate/1/iterations:1/real_time",
               "FirstUpdate/4/iterations:1/real_time", ">= 3");
    printRatio(reporter, "First update, 2 connections, new connection per page / kept",
               "FirstUpdateNewConnections/2/iterations:1/real_time", "FirstUpdate/2/iterations:1/real_time", "> 1");
    benchmark::Shutdown();
    return 0;
}

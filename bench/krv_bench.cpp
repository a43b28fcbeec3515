// Speed of the two long operations on the benchmark member of the sample
// service (1,600 events, 9,600 games):
//
//   AnalyseOnly     / ReadDataFolder : Analyse Only against reading the same
//                                      data folder once (goal: at most 1.5),
//                                      medians of interleaved repetitions
//   UpdateRun/1     / UpdateRun/4    : a first update (downloads and storing,
//                                      as Update All runs it) over one and
//                                      over four connections, against the
//                                      sample service at 20 ms latency
//                                      (goal: four connections at least 3x
//                                      faster)
//
// Both ratios are printed at the end of one run, since the machine is shared
// and its speed varies from run to run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <map>

#include "acquisition/update_run.h"
#include "cli_harness.h"
#include "platform/curl_download.h"
#include "sample_pages.h"
#include "shell/commands.h"
#include "session/session.h"

namespace {

using namespace krv;
namespace fs = std::filesystem;

const std::string kMember(sample::kBenchmarkMemberId);
// The machine is shared and its speed drifts: the two sides of a ratio are
// measured in interleaved repetitions and compared by their medians.
constexpr int kRepetitions = 7;
constexpr const char* kMemoryBase = "http://sample.memory";

// Serves the sample pages straight from the page library, without HTTP.
class CatalogDownloader : public Downloader {
public:
    DownloadResult download(const std::string& url, const std::string& path, const CancelFlag* = nullptr) override {
        const std::string target = url.substr(std::string(kMemoryBase).size());
        sample::PageAnswer answer = sample::answerPageRequest(sample::Catalog::bundled(), target);
        if (answer.status != 200 || answer.body.empty()) return {false, answer.status, "no page"};
        if (!writeFileAtomically(path, answer.body)) return {false, 0, "cannot write"};
        return {true, 200, ""};
    }
};

// The benchmark member's store, built once by a real update run.
struct MemberStore {
    testing::TempDir dir;
    std::string entry;
    std::string dataDir;

    MemberStore() {
        RecordingMessageBox boxes;
        CatalogDownloader pages;
        KrvSession session(SessionOptions{dir / "KRV", kMemoryBase, 4}, boxes, pages);
        startUp(session);
        session.setIdBoxText(kMember);
        CmdUpdateData_Click(session);
        entry = session.ui.CmbID;
        dataDir = session.store().data() + "/" + kMember;
        std::size_t files = 0;
        for (const auto& e : fs::directory_iterator(dataDir)) files += e.is_regular_file();
        std::cerr << "benchmark member " << entry << ": " << files << " section files, "
                  << session.state.gameCount << " games\n";
    }
};

MemberStore& memberStore() {
    static MemberStore store;
    return store;
}

void ReadDataFolder(benchmark::State& state) {
    const std::string dataDir = memberStore().dataDir;
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& entry : fs::directory_iterator(dataDir)) {
            auto content = readFileBytes(entry.path().string());
            bytes += content ? content->size() : 0;
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(ReadDataFolder)
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
        session.pickIdBoxEntry(store.entry);
        cmdAnalyseOnly_Click(session);
    }
    state.counters["games"] = static_cast<double>(session.state.gameCount);
}
BENCHMARK(AnalyseOnly)
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
        boxes.shown.clear();  // the welcome of a new store
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
    printRatio(reporter, "Analyse Only (medians)", "AnalyseOnly" + repeated, "ReadDataFolder" + repeated, "<= 1.5");
    printRatio(reporter, "Update run", "UpdateRun/1/iterations:1/real_time", "UpdateRun/4/iterations:1/real_time",
               ">= 3");
    benchmark::Shutdown();
    return 0;
}

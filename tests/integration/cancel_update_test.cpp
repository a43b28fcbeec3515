// Cancel during a real update against the sample service: whatever the run
// waits for (a history page, a crosstable's headers or the rest of its body,
// a pause the service asked for, the current rating), control returns
// within a second, no failure is reported, and the events stored by then
// are whole.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <iostream>

#include "acquisition/update_run.h"
#include "cli_harness.h"
#include "platform/curl_download.h"
#include "session/session.h"
#include "shell/commands.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kHelen = "13377702";  // 4 events, newest first: ...20221008 is the second

struct Point {
    std::string name;
    std::string rule;
    std::string waitingTarget;  // the request the run is stuck at
    std::size_t eventsStored;   // first sections in the data folder at the cancel
};

class CancelUpdateTest : public ::testing::TestWithParam<Point> {
protected:
    TempDir dir;
};

std::size_t firstSections(const std::string& dataDir) {
    std::size_t n = 0;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dataDir, ec)) n += entry.path().extension() == ".txt";
    return n;
}

}  // namespace

TEST_P(CancelUpdateTest, ControlReturnsWithinASecondAndStoredEventsStayWhole) {
    const Point& point = GetParam();
    SampleService service;
    Cli reference(service, dir / "reference");
    ASSERT_EQ(reference.run({"update", kHelen}, 1).exitCode, 0);

    service.setFaults(point.rule);
    service.reset();
    RecordingMessageBox boxes;
    CurlDownloader downloader;  // the program's own policy, real pauses
    KrvSession session(SessionOptions{dir / "store", service.url(), 1}, boxes, downloader);
    startUp(session);
    session.setIdBoxText(kHelen);
    auto run = std::async(std::launch::async, [&] { CmdUpdateData_Click(session); });

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (service.requestsContaining(point.waitingTarget) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_GT(service.requestsContaining(point.waitingTarget), 0) << "never asked for " << point.waitingTarget;
    std::this_thread::sleep_for(300ms);  // into the wait, the stalled body or the pause
    ASSERT_EQ(run.wait_for(0s), std::future_status::timeout) << "the run did not wait";

    const auto at = std::chrono::steady_clock::now();
    session.cancelRequested = true;
    ASSERT_EQ(run.wait_for(3s), std::future_status::ready);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - at);
    run.get();
    EXPECT_LT(took, 1000ms);
    std::cout << "[ measured ] cancel while waiting at " << point.name << ": " << took.count() << " ms\n";

    EXPECT_FALSE(boxes.sawTitle("Download Failed"));
    const std::string dataDir = dir / ("store/Data/" + std::string(kHelen));
    EXPECT_EQ(firstSections(dataDir), point.eventsStored);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dataDir, ec))
        EXPECT_EQ(readBytes(entry.path().string()),
                  readBytes(reference.dataDir(kHelen) + "/" + entry.path().filename().string()))
            << entry.path();
    EXPECT_EQ(readBytes(dir / ("store/Results/" + std::string(kHelen) + "/currentrating.txt")), "");
}

const std::string kSecondEvent = "XtblMain.php?202210080019";

INSTANTIATE_TEST_SUITE_P(Points, CancelUpdateTest,
                         ::testing::Values(Point{"HistoryPage", "MbrDtlTnmtHst.php?13377702.2 delay 60000",
                                                 "MbrDtlTnmtHst.php?13377702.2", 0},
                                           Point{"CrosstableHeaders", kSecondEvent + " delay 60000", kSecondEvent, 1},
                                           Point{"CrosstableBody", kSecondEvent + " stall 60000", kSecondEvent, 1},
                                           Point{"RetryPause", kSecondEvent + " status 503 retry-after 30",
                                                 kSecondEvent, 1},
                                           Point{"CurrentRating", "MbrDtlMain delay 60000", "MbrDtlMain", 4}),
                         [](const ::testing::TestParamInfo<Point>& info) { return info.param.name; });

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <thread>

#include "acquisition/event_downloads.h"
#include "acquisition/update_run.h"
#include "platform/text.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/fake_downloader.h"
#include "support/page_builder.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* kId = "12345678";
constexpr const char* kBase = "http://ratings.test";
const Lines kEvents{"201301050001", "201302090002", "201303160003"};

std::string historyUrl(const std::string& suffix = "") {
    return std::string(kBase) + "/krv/MbrDtlTnmtHst.php?" + kId + suffix;
}
std::string crosstableUrl(const std::string& number) {
    return std::string(kBase) + "/krv/XtblMain.php?" + number + ".0-" + kId;
}
std::string eventFile(const std::string& number) { return number + ".0-12345678.txt"; }
std::string caption(int processed, int downloaded) {
    return "Processed " + signedForm(processed) + " files\r\nDownloaded files =" + std::to_string(downloaded);
}

struct UpdateRunTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    FakeDownloader web;
    std::unique_ptr<KrvSession> session;
    Lines captions;

    std::string root() const { return dir / "KRV"; }
    std::string dataDir() const { return root() + "/Data/" + kId; }
    std::string workDir() const { return session->runTempDir() + "/12345678.work"; }
    bool analysed() const { return fs::exists(root() + "/Results/12345678/12345678.txt"); }
    std::size_t stored() const {
        std::error_code ec;
        return std::distance(fs::directory_iterator(dataDir(), ec), fs::directory_iterator());
    }

    KrvSession& start(int connections = 1) {
        session = std::make_unique<KrvSession>(SessionOptions{root(), kBase, connections}, boxes, web);
        startUp(*session);
        session->onStatusChanged = [this](const std::string& text) { captions.push_back(text); };
        boxes.shown.clear();
        return *session;
    }
    // Page 1 lists the events (each one a win and a draw), page 2 none.
    void serveMember(const Lines& events, int pageLinks = 2) {
        const std::string first = historyPage(kId, "JOHN SMITH", events, pageLinks);
        web.serve(historyUrl(), first);
        web.serve(historyUrl(".1"), first);
        web.serve(historyUrl(".2"), historyPage(kId, "JOHN SMITH", {}, pageLinks));
        for (const auto& n : events)
            web.serve(crosstableUrl(n),
                      crosstablePage(n, "CITY OPEN " + n,
                                     {{{1, kId, "JOHN SMITH", "R:", "1500", "1510", {"W   2", "D   3"}},
                                       {2, "20000002", "ANNA ADAMS", "R:", "1450", "1440", {"L   1"}},
                                       {3, "20000003", "PETER BROWN", "R:", "1600", "1590", {"D   1"}}}}));
        web.serve(std::string(kBase) + "/krv/MbrDtlMain.php?" + kId, mainPage(kId, "JOHN SMITH", "1510"));
    }
    void update(const std::string& box = kId) {
        session->setIdBoxText(box);
        CmdUpdateData_Click(*session);
    }
    void expectOneBox(const std::string& title, const std::string& text) {
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title, title);
        EXPECT_EQ(boxes.shown[0].text, text);
    }
};

}  // namespace

// Seven characters or fewer are refused before any download; nine use the first eight.
TEST_F(UpdateRunTest, TheIdBoxTextIsCheckedBeforeAnyDownload) {
    auto& s = start();
    for (const std::string box : {"", "1234567", "1234567x9"}) {
        boxes.shown.clear();
        update(box);
        ASSERT_EQ(boxes.shown.size(), 2u) << box;
        EXPECT_EQ(boxes.shown[0].kind, "beep");
        EXPECT_EQ(boxes.shown[1].title, "Need USCF ID Number");
        EXPECT_EQ(boxes.shown[1].text,
                  "Either type in a valid USCF 8 digit ID# in the USCF ID box or use the drop "
                  "down list to choose a previously used ID#.  Thanks.");
    }
    EXPECT_TRUE(web.requests().empty());
    EXPECT_FALSE(s.state.freshDownload);

    serveMember({kEvents[0]});
    update("123456789");
    EXPECT_EQ(web.requests().at(0), historyUrl());
    EXPECT_TRUE(fs::exists(dataDir() + "/" + eventFile(kEvents[0])));
}

TEST_F(UpdateRunTest, AFirstRunStoresEveryEventCountsInCaptionsAndRecordsTheMember) {
    auto& s = start();
    serveMember(kEvents);
    update();
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_GE(captions.size(), 5u);
    EXPECT_EQ(Lines(captions.begin(), captions.begin() + 5),
              (Lines{kStartCaption, caption(1, 1), caption(2, 2), caption(3, 3), caption(3, 3)}));
    for (const auto& n : kEvents) EXPECT_EQ(web.requestsContaining(n), 1) << n;
    EXPECT_EQ(stored(), 3u);
    EXPECT_EQ(s.state.gameCount, 6);
    EXPECT_TRUE(analysed());
    EXPECT_TRUE(s.state.freshDownload);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
    EXPECT_FALSE(fs::exists(workDir()));
}

TEST_F(UpdateRunTest, WithoutPageLinksPagesOneAndTwoAreFetchedAndARepeatedEventOnce) {
    start(4);
    serveMember({kEvents[0]}, 0);
    web.serve(historyUrl(".1"), historyPage(kId, "JOHN SMITH", {kEvents[0], kEvents[0]}, 0));
    update();
    const Lines requests = web.requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(Lines(requests.begin(), requests.begin() + 3), (Lines{historyUrl(), historyUrl(".1"), historyUrl(".2")}));
    EXPECT_EQ(web.requestsContaining("XtblMain"), 1);
    EXPECT_EQ(stored(), 1u);
}

TEST_F(UpdateRunTest, HistoryPagesFetchedTogetherAreJudgedInPageOrder) {
    start(4);
    serveMember(kEvents);
    web.serve(historyUrl(".1"), unknownMemberPage(kId));
    web.fail(historyUrl(".2"));
    update();
    expectOneBox("Incorrect USCF ID Number", "<p>12345678 Error: no such member.</p>");
    EXPECT_EQ(web.requestsContaining("XtblMain"), 0);
}

TEST_F(UpdateRunTest, AFailureMidListKeepsEarlierEventsAndTheNextRunFetchesOnlyTheRest) {
    for (int connections : {1, 4}) {
        SCOPED_TRACE(connections);
        fs::remove_all(root());
        boxes.shown.clear();
        auto& s = start(connections);
        serveMember(kEvents);
        web.fail(crosstableUrl(kEvents[1]));
        update();
        expectOneBox("Download Failed", "Could not download " + crosstableUrl(kEvents[1]) +
                                            "\r\n\r\nthe site answered 500 Internal Server Error");
        EXPECT_EQ(stored(), 1u);
        EXPECT_TRUE(fs::exists(dataDir() + "/" + eventFile(kEvents[0])));
        EXPECT_FALSE(analysed());
        EXPECT_FALSE(s.state.freshDownload);
        EXPECT_FALSE(fs::exists(workDir()));

        web.fail(crosstableUrl(kEvents[1]), false);
        const int before = web.requestsContaining("XtblMain");
        update();
        EXPECT_EQ(web.requestsContaining("XtblMain") - before, 2);
        EXPECT_EQ(stored(), 3u);
        EXPECT_TRUE(analysed());
    }
}

TEST_F(UpdateRunTest, CancellingStopsAfterTheEventInHandWithoutAnalysis) {
    auto& s = start(2);
    serveMember(kEvents);
    std::vector<std::pair<int, int>> progress;
    s.onProgress = [&](int done, int total) {
        progress.emplace_back(done, total);
        if (done == 1) s.cancelRequested = true;
    };
    update();
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}}));
    EXPECT_EQ(s.ui.lblprocessed, "Update cancelled.");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(stored(), 1u);
    EXPECT_FALSE(fs::exists(workDir()));
    EXPECT_FALSE(analysed());
}

TEST_F(UpdateRunTest, LeftoversOfAnInterruptedRunAreClearedAndWholeEventsKept) {
    start();
    serveMember(kEvents);
    writeBytes(workDir() + "/" + eventFile(kEvents[1]), "half");
    writeBytes(session->runTempDir() + "/12345678.txt.partial", "half");
    writeBytes(dataDir() + "/" + eventFile(kEvents[1]) + "2", "orphan");
    writeBytes(dataDir() + "/" + eventFile(kEvents[0]), "kept");
    update();
    EXPECT_FALSE(fs::exists(session->runTempDir() + "/12345678.txt.partial"));
    EXPECT_FALSE(fs::exists(workDir()));
    EXPECT_EQ(readBytes(dataDir() + "/" + eventFile(kEvents[0])), "kept");
    EXPECT_FALSE(fs::exists(dataDir() + "/" + eventFile(kEvents[1]) + "2"));
    EXPECT_EQ(web.requestsContaining("XtblMain"), 2);
}

TEST_F(UpdateRunTest, UpdateAllOnlyDownloads) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    auto& s = start();
    serveMember(kEvents);
    Cmdupdateall_Click(s);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(stored(), 3u);
    EXPECT_FALSE(analysed());
    EXPECT_FALSE(s.state.updateAllRunning);
    EXPECT_EQ(web.requestsContaining("MbrDtlMain"), 0);
}

// Cancel at any point of a run: while a history page, a crosstable or the
// current rating does not come. The run returns at once, reports no failure,
// and what was stored whole stays.
struct CancelPoint {
    std::string name;
    std::string hangingUrl;
    std::size_t eventsStored;
    bool analysed;  // the analysis had started: it ends, without the rating
};

class CancelTest : public UpdateRunTest, public ::testing::WithParamInterface<CancelPoint> {};

TEST_P(CancelTest, CancelReturnsWithinASecondAndKeepsWhatWasStoredWhole) {
    const CancelPoint& point = GetParam();
    serveMember(kEvents);
    // The events as an undisturbed run stores them.
    RecordingMessageBox quiet;
    KrvSession reference(SessionOptions{dir / "reference", kBase, 2}, quiet, web);
    startUp(reference);
    reference.setIdBoxText(kId);
    CmdUpdateData_Click(reference);
    const std::string referenceData = dir / "reference/Data/12345678";

    auto& s = start(2);
    writeBytes(root() + "/Results/12345678/currentrating.txt", "1400\r\n");
    const int before = web.requestsContaining(point.hangingUrl);
    web.hang(point.hangingUrl);
    auto run = std::async(std::launch::async, [&] { update(); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((web.requestsContaining(point.hangingUrl) == before || stored() < point.eventsStored) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(web.requestsContaining(point.hangingUrl), before + 1) << "the run never reached the hanging page";
    EXPECT_EQ(run.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);

    const auto at = std::chrono::steady_clock::now();
    s.cancelRequested = true;
    ASSERT_EQ(run.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - at, std::chrono::seconds(1));
    run.get();

    EXPECT_FALSE(boxes.sawTitle("Download Failed"));
    EXPECT_EQ(stored(), point.eventsStored);
    for (std::size_t e = 0; e < point.eventsStored; ++e)
        EXPECT_EQ(readBytes(dataDir() + "/" + eventFile(kEvents[e])),
                  readBytes(referenceData + "/" + eventFile(kEvents[e])))
            << e;
    EXPECT_EQ(analysed(), point.analysed);
    if (!point.analysed) { EXPECT_EQ(s.ui.lblprocessed, "Update cancelled."); }
    EXPECT_EQ(readBytes(root() + "/Results/12345678/currentrating.txt"), "1400\r\n");
    EXPECT_FALSE(fs::exists(workDir()));
    const std::size_t requests = web.requests().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(web.requests().size(), requests) << "nothing starts after Cancel";
}

INSTANTIATE_TEST_SUITE_P(Points, CancelTest,
                         ::testing::Values(CancelPoint{"FirstHistoryPage", historyUrl(), 0, false},
                                           CancelPoint{"NumberedHistoryPage", historyUrl(".2"), 0, false},
                                           CancelPoint{"ThirdCrosstable", crosstableUrl(kEvents[2]), 2, false},
                                           CancelPoint{"CurrentRating",
                                                       std::string(kBase) + "/krv/MbrDtlMain.php?" + kId, 3, true}),
                         [](const ::testing::TestParamInfo<CancelPoint>& info) { return info.param.name; });

// An exception in a download, on whichever thread it runs, ends the run as
// a failed download, not the program.
TEST_F(UpdateRunTest, AnExceptionInADownloadThreadIsAFailedDownload) {
    const std::vector<std::pair<std::string, std::size_t>> cases{{historyUrl(".2"), 0}, {crosstableUrl(kEvents[1]), 1}};
    for (const auto& [url, storedBefore] : cases) {
        SCOPED_TRACE(url);
        fs::remove_all(root());
        boxes.shown.clear();
        auto& s = start(3);
        serveMember(kEvents);
        web.throwOn(url);
        update();
        expectOneBox("Download Failed", "Could not download " + url + "\r\n\r\nsimulated fault fetching " + url);
        EXPECT_FALSE(analysed());
        EXPECT_FALSE(s.state.freshDownload);
        EXPECT_EQ(stored(), storedBefore);
        web.throwOn(url, false);
    }
}

TEST_F(UpdateRunTest, AFetchThatThrowsCarriesTheExceptionsText) {
    fs::create_directories(dir / "work");
    web.throwOn("http://x/a");
    web.serve("http://x/b", "page b");
    CrosstableFetcher fetcher(web, dir / "work", {{"http://x/a", "a"}, {"http://x/b", "b"}}, 2);
    FetchedEvent a = fetcher.take(0);
    EXPECT_FALSE(a.prepared);
    EXPECT_EQ(a.download.error, "simulated fault fetching http://x/a");
    EXPECT_FALSE(a.download.cancelled);

    const auto pages = fetchAll(web, {{"http://x/a", dir / "pa"}, {"http://x/b", dir / "pb"}}, 2);
    EXPECT_EQ(pages[0].error, "simulated fault fetching http://x/a");
    EXPECT_TRUE(pages[1].ok);
}

TEST_F(UpdateRunTest, UpdateAllThatThrowsDoesNotLeaveItsFlagSet) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    auto& s = start();
    serveMember(kEvents);
    web.throwOn(historyUrl());  // the first download runs on the caller's thread
    EXPECT_THROW(Cmdupdateall_Click(s), std::runtime_error);
    EXPECT_FALSE(s.state.updateAllRunning);

    // Had the flag stayed set, this update would have skipped its analysis.
    web.throwOn(historyUrl(), false);
    update();
    EXPECT_TRUE(analysed());
}

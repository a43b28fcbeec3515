#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "acquisition/update_run.h"
#include "platform/text.h"
#include "shell/commands.h"
#include "shell/session.h"
#include "support/fake_downloader.h"
#include "support/page_builder.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

constexpr const char* kId = "12345678";
constexpr const char* kBase = "http://ratings.test";
const std::string kNeedIdText =
    "Either type in a valid USCF 8 digit ID# in the USCF ID box or use the drop down list to choose a "
    "previously used ID#.  Thanks.";

std::string historyUrl(const std::string& suffix = "") {
    return std::string(kBase) + "/krv/MbrDtlTnmtHst.php?" + kId + suffix;
}
std::string crosstableUrl(const std::string& number) {
    return std::string(kBase) + "/krv/XtblMain.php?" + number + ".0-" + kId;
}
std::string mainPageUrl() { return std::string(kBase) + "/krv/MbrDtlMain.php?" + kId; }

std::string caption(int processed, int downloaded) {
    return "Processed " + signedForm(processed) + " files\r\nDownloaded files =" + std::to_string(downloaded);
}

// An event in which the member beats pair 2 and draws with pair 3.
std::string memberEvent(const std::string& number) {
    PageSection section{
        {1, kId, "JOHN SMITH", "R:", "1500", "1510", {"W   2", "D   3"}},
        {2, "20000002", "ANNA ADAMS", "R:", "1450", "1440", {"L   1", "W   3"}},
        {3, "20000003", "PETER BROWN", "R:", "1600", "1590", {"L   2", "D   1"}},
    };
    return crosstablePage(number, "CITY OPEN " + number, {section});
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> folderContents(const std::string& folder) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        files[entry.path().filename().string()] = readBytes(entry.path().string());
    return files;
}

struct UpdateRunTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    FakeDownloader web;
    std::unique_ptr<KrvSession> session;
    std::vector<std::string> captions;

    std::string root() const { return dir / "KRV"; }
    std::string dataDir() const { return root() + "/Data/" + kId; }
    std::string resultsDir() const { return root() + "/Results/" + kId; }

    KrvSession& start(int connections = 1, const std::string& storeRoot = "") {
        session = std::make_unique<KrvSession>(
            SessionOptions{storeRoot.empty() ? root() : storeRoot, kBase, connections}, boxes, web);
        startUp(*session);
        session->onStatusChanged = [this](const std::string& text) { captions.push_back(text); };
        boxes.shown.clear();
        return *session;
    }

    // The member's history lists the events on page 1; page 2 lists none.
    void serveMember(const std::vector<std::string>& events, int pageLinks = 2) {
        std::string first = historyPage(kId, "JOHN SMITH", events, pageLinks);
        web.serve(historyUrl(), first);
        web.serve(historyUrl(".1"), first);
        web.serve(historyUrl(".2"), historyPage(kId, "JOHN SMITH", {}, pageLinks));
        for (const auto& number : events) web.serve(crosstableUrl(number), memberEvent(number));
        web.serve(mainPageUrl(), mainPage(kId, "JOHN SMITH", "1510"));
    }

    void update(const std::string& box = kId) {
        session->setIdBoxText(box);
        CmdUpdateData_Click(*session);
    }

    bool analysed() const { return fs::exists(resultsDir() + "/" + kId + ".txt"); }
};

const std::vector<std::string> kThreeEvents{"201301050001", "201302090002", "201303160003"};

}  // namespace

TEST_F(UpdateRunTest, AnIdBoxTextThatIsNotEightDigitsIsRefusedBeforeAnyDownload) {
    auto& s = start();
    for (const std::string box : {"", "1234567", "1234567x9", "abcdefgh -- X"}) {
        boxes.shown.clear();
        update(box);
        ASSERT_EQ(boxes.shown.size(), 2u) << box;
        EXPECT_EQ(boxes.shown[0].kind, "beep");
        EXPECT_EQ(boxes.shown[1].title, "Need USCF ID Number");
        EXPECT_EQ(boxes.shown[1].text, kNeedIdText);
    }
    EXPECT_TRUE(web.requests().empty());
    EXPECT_FALSE(s.state.freshDownload);
    EXPECT_FALSE(fs::exists(dataDir()));
}

TEST_F(UpdateRunTest, ANineCharacterTextUsesItsFirstEightCharacters) {
    start();
    serveMember({"201301050001"});
    update("123456789");
    ASSERT_FALSE(web.requests().empty());
    EXPECT_EQ(web.requests()[0], historyUrl());
    EXPECT_TRUE(fs::exists(dataDir() + "/201301050001.0-12345678.txt"));
}

TEST_F(UpdateRunTest, AFirstRunStoresEveryEventCountsInCaptionsAndAnalyses) {
    auto& s = start();
    serveMember(kThreeEvents);
    update();

    EXPECT_TRUE(boxes.shown.empty());
    std::vector<std::string> expected{kStartCaption, caption(1, 1), caption(2, 2), caption(3, 3), caption(3, 3)};
    ASSERT_GE(captions.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(captions.begin(), captions.begin() + 5), expected);

    EXPECT_EQ(web.requests()[0], historyUrl());
    EXPECT_EQ(web.requests()[1], historyUrl(".1"));
    EXPECT_EQ(web.requests()[2], historyUrl(".2"));
    for (const auto& number : kThreeEvents) {
        EXPECT_EQ(web.requestsContaining(number), 1) << number;
        EXPECT_TRUE(fs::exists(dataDir() + "/" + number + ".0-12345678.txt")) << number;
    }
    EXPECT_EQ(s.state.downloadedCount, 3);
    EXPECT_EQ(s.state.lastDownloadResult, 200);
    EXPECT_TRUE(analysed());
    EXPECT_EQ(s.state.gameCount, 6);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
    EXPECT_EQ(readBytes(resultsDir() + "/currentrating.txt"), "1510\r\n");
    EXPECT_TRUE(s.state.freshDownload);
    // Nothing of the fetching is left behind.
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.work"));
    EXPECT_EQ(folderContents(dataDir()).size(), 3u);
}

TEST_F(UpdateRunTest, ACrosstableIsSplitIntoSectionFilesByteForByte) {
    start();
    serveMember({"201311160008"});
    web.serve(crosstableUrl("201311160008"),
              "<title>T</title>\r\nhead\n<a name=Section2 id=anchor=Section2>two\r\nrow 2\r"
              "<A NAME=SECTION3 ID=ANCHOR=SECTION3>three\nrow 3\n");
    update();
    const std::string key = dataDir() + "/201311160008.0-12345678.txt";
    EXPECT_EQ(readBytes(key), "\r\n<title>T</title>\r\nhead\r\n");
    EXPECT_EQ(readBytes(key + "2"), "<a name=Section2 id=anchor=Section2>two\r\nrow 2\r\n");
    EXPECT_EQ(readBytes(key + "3"), "<A NAME=SECTION3 ID=ANCHOR=SECTION3>three\r\nrow 3\r\n");
    EXPECT_FALSE(fs::exists(key + "4"));
}

TEST_F(UpdateRunTest, ASecondRunDownloadsNoCrosstableAndStillAnalyses) {
    auto& s = start();
    serveMember(kThreeEvents);
    update();
    const auto stored = folderContents(dataDir());
    web.clearRequests();
    captions.clear();
    fs::remove(resultsDir() + "/" + std::string(kId) + ".txt");

    update();
    EXPECT_EQ(web.requestsContaining("XtblMain"), 0);
    EXPECT_EQ(std::vector<std::string>(captions.begin(), captions.begin() + 2),
              (std::vector<std::string>{kStartCaption, caption(3, 0)}));
    EXPECT_EQ(s.state.downloadedCount, 0);
    EXPECT_EQ(folderContents(dataDir()), stored);
    EXPECT_TRUE(analysed());
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
}

TEST_F(UpdateRunTest, AMemberWithoutPageLinksStillHasPagesOneAndTwoFetched) {
    start();
    serveMember({"201301050001"}, 0);
    update();
    auto requests = web.requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 3),
              (std::vector<std::string>{historyUrl(), historyUrl(".1"), historyUrl(".2")}));
    EXPECT_EQ(requests[3], crosstableUrl("201301050001"));
}

TEST_F(UpdateRunTest, AnEventListedTwiceIsFetchedOnce) {
    start(4);
    std::string page = historyPage(kId, "JOHN SMITH", {"201301050001", "201302090002", "201301050001"}, 1);
    serveMember({"201301050001", "201302090002"});
    web.serve(historyUrl(".1"), page);
    update();
    EXPECT_EQ(web.requestsContaining("XtblMain"), 2);
    EXPECT_EQ(captions[3], caption(3, 2));
}

TEST_F(UpdateRunTest, AnAddressWhoseKeyWouldLeaveTheDataFolderIsPassedOver) {
    start();
    serveMember({"201301050001"});
    web.serve(historyUrl(".1"), historyPage(kId, "JOHN SMITH", {"../../../x/1", "201301050001"}, 1));
    update();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(web.requestsContaining("XtblMain"), 1);
    EXPECT_EQ(captions[1], caption(2, 1));
    EXPECT_EQ(folderContents(dataDir()).size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST_F(UpdateRunTest, AWrongIdEndsTheRunWithTheOffendingLine) {
    auto& s = start();
    web.serve(historyUrl(), unknownMemberPage(kId));
    web.serve(historyUrl(".1"), unknownMemberPage(kId));
    update();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Incorrect USCF ID Number");
    EXPECT_EQ(boxes.shown[0].text, "<p>12345678 Error: no such member.</p>");
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.txt"));
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.rch"));
    EXPECT_EQ(web.requestsContaining("XtblMain"), 0);
    EXPECT_FALSE(fs::exists(resultsDir()));
    EXPECT_FALSE(s.state.freshDownload);
}

TEST_F(UpdateRunTest, HistoryPagesFetchedTogetherAreStillJudgedInPageOrder) {
    start(4);
    serveMember(kThreeEvents);
    web.serve(historyUrl(".1"), unknownMemberPage(kId));
    web.fail(historyUrl(".2"));
    update();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Incorrect USCF ID Number");
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.work"));
}

TEST_F(UpdateRunTest, AFailedHistoryPageEndsTheRunBeforeAnyEvent) {
    start();
    serveMember(kThreeEvents);
    web.fail(historyUrl(".2"));
    update();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Download Failed");
    EXPECT_EQ(boxes.shown[0].text, "Could not download " + historyUrl(".2"));
    EXPECT_EQ(web.requestsContaining("XtblMain"), 0);
    EXPECT_TRUE(folderContents(dataDir()).empty());
    EXPECT_FALSE(analysed());
}

class FailedEventTest : public UpdateRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(FailedEventTest, EventsBeforeTheFailureStayAndTheNextRunCompletesTheStore) {
    const std::vector<std::string> events{"201301050001", "201302090002", "201303160003", "201304200004",
                                          "201305250005"};
    // The store an undisturbed run leaves.
    start(1, dir / "Clean");
    serveMember(events);
    update();
    const auto undisturbed = folderContents(dir / "Clean/Data/12345678");
    ASSERT_EQ(undisturbed.size(), events.size());
    web.clearRequests();

    auto& s = start(GetParam());
    web.fail(crosstableUrl(events[2]));
    update();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Download Failed");
    EXPECT_EQ(boxes.shown[0].text, "Could not download " + crosstableUrl(events[2]));
    auto stored = folderContents(dataDir());
    EXPECT_EQ(stored.size(), 2u);
    EXPECT_TRUE(stored.count(events[1] + ".0-12345678.txt"));
    EXPECT_FALSE(analysed());
    EXPECT_FALSE(s.state.freshDownload);
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.work"));

    web.heal(crosstableUrl(events[2]));
    web.clearRequests();
    boxes.shown.clear();
    update();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(web.requestsContaining("XtblMain"), 3);
    EXPECT_EQ(folderContents(dataDir()), undisturbed);
    EXPECT_TRUE(analysed());
}

INSTANTIATE_TEST_SUITE_P(Connections, FailedEventTest, ::testing::Values(1, 4));

TEST_F(UpdateRunTest, ParallelFetchingLeavesTheSameStoreAndCaptionsAsOneAtATime) {
    std::vector<std::string> events;
    for (int i = 1; i <= 12; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "2014%02d01%04d", i, i);
        events.push_back(number);
    }
    serveMember(events);
    // Earlier events answer slower, so parallel answers arrive out of order.
    for (std::size_t i = 0; i < events.size(); ++i)
        web.delay(crosstableUrl(events[i]), std::chrono::milliseconds(2 * (events.size() - i)));

    start(1, dir / "One");
    update();
    const auto oneStore = folderContents(dir / "One/Data/12345678");
    const auto oneCaptions = captions;

    captions.clear();
    start(4, dir / "Four");
    update();
    EXPECT_EQ(folderContents(dir / "Four/Data/12345678"), oneStore);
    EXPECT_EQ(readBytes(dir / "Four/Results/12345678/12345678.txt"), readBytes(dir / "One/Results/12345678/12345678.txt"));
    // The captions of the download (the analysis' last one names the store).
    ASSERT_EQ(captions.size(), oneCaptions.size());
    EXPECT_EQ(std::vector<std::string>(captions.begin(), captions.begin() + 14),
              std::vector<std::string>(oneCaptions.begin(), oneCaptions.begin() + 14));
    EXPECT_EQ(oneStore.size(), events.size());
}

TEST_F(UpdateRunTest, CancellingStopsAfterTheEventInHandWithoutAnalysis) {
    auto& s = start(2);
    serveMember(kThreeEvents);
    std::vector<std::pair<int, int>> progress;
    s.onProgress = [&](int done, int total) {
        progress.emplace_back(done, total);
        if (done == 1) s.cancelRequested = true;
    };
    update();
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, 3}, {1, 3}}));
    EXPECT_EQ(s.ui.lblprocessed, "Update cancelled.");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(folderContents(dataDir()).size(), 1u);
    EXPECT_TRUE(fs::exists(dataDir() + "/" + kThreeEvents[0] + ".0-12345678.txt"));
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.work"));
    EXPECT_FALSE(analysed());
    EXPECT_FALSE(s.state.freshDownload);
}

TEST_F(UpdateRunTest, LeftoversOfAnInterruptedRunAreClearedAndStoredEventsKept) {
    start();
    serveMember(kThreeEvents);
    writeBytes(root() + "/Temp/12345678.work/" + kThreeEvents[1] + ".0-12345678.txt", "half");
    writeBytes(root() + "/Temp/12345678.txt.partial", "half");
    // An earlier store cut short between its moves, and a whole one.
    writeBytes(dataDir() + "/" + kThreeEvents[1] + ".0-12345678.txt2", "orphan");
    writeBytes(dataDir() + "/" + kThreeEvents[0] + ".0-12345678.txt", "kept");
    writeBytes(dataDir() + "/" + kThreeEvents[0] + ".0-12345678.txt2", "kept 2");
    update();
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.txt.partial"));
    EXPECT_FALSE(fs::exists(root() + "/Temp/12345678.work"));
    EXPECT_EQ(readBytes(dataDir() + "/" + kThreeEvents[0] + ".0-12345678.txt"), "kept");
    EXPECT_EQ(readBytes(dataDir() + "/" + kThreeEvents[0] + ".0-12345678.txt2"), "kept 2");
    EXPECT_FALSE(fs::exists(dataDir() + "/" + kThreeEvents[1] + ".0-12345678.txt2"));
    EXPECT_EQ(web.requestsContaining("XtblMain"), 2);
}

TEST_F(UpdateRunTest, UpdateAllOnlyDownloads) {
    writeBytes(root() + "/config.txt", "12345678 -- JOHN SMITH\r\n");
    auto& s = start();
    serveMember(kThreeEvents);
    Cmdupdateall_Click(s);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(folderContents(dataDir()).size(), 3u);
    EXPECT_FALSE(analysed());
    EXPECT_FALSE(s.state.updateAllRunning);
    EXPECT_TRUE(s.state.freshDownload);
    EXPECT_EQ(web.requestsContaining("MbrDtlMain"), 0);
}

TEST_F(UpdateRunTest, ARefusedAnalyseOnlyDoesNotChangeHowTheNextUpdateNamesTheMember) {
    auto& s = start();
    serveMember({"201301050001"});
    s.pickIdBoxEntry(kId);
    cmdAnalyseOnly_Click(s);
    ASSERT_EQ(s.state.analyseOnly, 1);
    update();
    EXPECT_EQ(s.state.memberName, "JOHN SMITH");
    EXPECT_EQ(readBytes(root() + "/config.txt"), "12345678 -- JOHN SMITH\r\n");
}

#include <gtest/gtest.h>

#include <filesystem>

#include "acquisition/analysis_driver.h"
#include "platform/text.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/fake_downloader.h"
#include "support/page_builder.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

constexpr const char* kId = "12345678";
constexpr const char* kBase = "http://ratings.test";
const std::string kEntry = "12345678 -- JOHN SMITH";

std::string mainPageUrl() { return std::string(kBase) + "/krv/MbrDtlMain.php?" + kId; }

PagePlayer member(std::vector<std::string> cells) {
    return {1, kId, "JOHN SMITH", "R:", "1500", "1510", std::move(cells)};
}
PagePlayer opponent(int pair, const std::string& id, const std::string& name) {
    return {pair, id, name, "R:", "1450", "1440", {"L   1"}};
}

std::string titleLine(const std::string& eventNumber, const std::string& name) {
    return "<title>Rating Service Crosstable: " + name + " (Event " + eventNumber + ")</title>";
}

// A section file as the update run stores it: the rows of one section.
std::string sectionFile(const std::string& title, const std::string& eventNumber, const PageSection& players) {
    std::vector<std::string> lines{"", title, "<p>Note: ratings before and after.</p>", "<pre>"};
    for (const auto& p : players) {
        lines.push_back(crosstableRow(eventNumber, p));
        lines.push_back(ratingRow(p));
    }
    return joinLinesCrLf(lines);
}

struct AnalysisDriverTest : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    FakeDownloader web;
    std::unique_ptr<KrvSession> session;

    std::string root() const { return dir / "KRV"; }
    std::string dataDir() const { return root() + "/Data/" + kId + "/"; }
    std::string resultsDir() const { return root() + "/Results/" + kId + "/"; }

    KrvSession& start() {
        session = std::make_unique<KrvSession>(SessionOptions{root(), kBase, 1}, boxes, web);
        startUp(*session);
        boxes.shown.clear();
        return *session;
    }

    // The state an update run leaves before it calls the analysis.
    KrvSession& afterDownload(const std::string& historyNameLine) {
        auto& s = start();
        writeBytes(s.runTempDir() + "/12345678.rch", "\r\n<html>\r\n" + historyNameLine + "\r\n</html>\r\n");
        fs::create_directories(dataDir());
        s.setIdBoxText(kId);
        s.state.memberId = kId;
        s.state.analyseOnly = 0;
        s.state.freshDownload = true;
        return s;
    }
};

const std::string kJohnSmithLine = "<tr><td><font size=+1><b>12345678: JOHN SMITH</b></font>";

}  // namespace

TEST_F(AnalysisDriverTest, WithoutStoredDataTheNoteIsShownAndNothingWritten) {
    auto& s = start();
    s.pickIdBoxEntry(kEntry);
    Analyse(s);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Note");
    EXPECT_EQ(boxes.shown[0].text, kAnalyseOnlyNote);
    EXPECT_EQ(s.ui.CmbID, "");
    EXPECT_FALSE(fs::exists(resultsDir()));
    EXPECT_TRUE(web.requests().empty());
}

TEST_F(AnalysisDriverTest, AnalyseOnlyParsesTheSectionFilesInNameOrderAndNamesTheMemberFromTheEntry) {
    writeBytes(root() + "/config.txt", kEntry + "\r\n");
    const std::string a = "201301050001", b = "201302090002", c = "201303160003";
    // Event a: the member plays in section 2, whose file has no title line.
    writeBytes(dataDir() + a + ".0-12345678.txt",
               sectionFile(titleLine(a, "SPRING OPEN"), a, {opponent(1, "20000009", "ZED ZULU")}));
    writeBytes(dataDir() + a + ".0-12345678.txt2",
               sectionFile("<a name=Section2 id=anchor=Section2></a>", a,
                           {member({"W   2", "D   3"}), opponent(2, "20000002", "ANNA ADAMS"),
                            opponent(3, "20000003", "PETER BROWN")}));
    writeBytes(dataDir() + b + ".0-12345678.txt",
               sectionFile(titleLine(b, "SUMMER OPEN"), b, {member({"L   2"}), opponent(2, "20000002", "ANNA ADAMS")}));
    // A later section whose event was never stored whole is no event.
    writeBytes(dataDir() + c + ".0-12345678.txt2",
               sectionFile(titleLine(c, "GHOST OPEN"), c, {member({"W   2"}), opponent(2, "20000002", "ANNA ADAMS")}));

    auto& s = start();
    s.pickIdBoxEntry(kEntry);
    cmdAnalyseOnly_Click(s);

    EXPECT_TRUE(web.requests().empty());
    EXPECT_EQ(readBytes(resultsDir() + "streak.txt"),
              "Win,20130105,SPRING OPEN \r\nDraw,20130105,SPRING OPEN \r\nLoss,20130209,SUMMER OPEN \r\n");
    auto records = readFileLines(resultsDir() + "12345678.txt").value_or(std::vector<std::string>{});
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], "20000002," + padRight("ANNA ADAMS", 28) +
                              ", 1,1500,1450,1510,20130105,SPRING OPEN ,201301050001.0-12345678.txt2");
    EXPECT_EQ(splitCommaFields(records[2]).back(), "201302090002.0-12345678.txt");
    EXPECT_EQ(s.state.memberName, " JOHN SMITH");
    EXPECT_TRUE(fs::exists(resultsDir() + " JOHN SMITH.txt"));
    EXPECT_FALSE(fs::exists(resultsDir() + "currentrating.txt"));
}

TEST_F(AnalysisDriverTest, TheFirstAnalysisAfterADownloadRecordsTheMemberAndFetchesTheRating) {
    auto& s = afterDownload(kJohnSmithLine);
    web.serve(mainPageUrl(), mainPage(kId, "JOHN SMITH", "1510"));
    Analyse(s);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(s.state.memberName, "JOHN SMITH");
    EXPECT_EQ(readBytes(root() + "/config.txt"), kEntry + "\r\n");
    EXPECT_EQ(s.ui.CmbIDList, std::vector<std::string>{kEntry});
    // Picking the entry into the box is no change of the member.
    EXPECT_TRUE(s.state.freshDownload);
    EXPECT_EQ(readBytes(resultsDir() + "currentrating.txt"), "1510\r\n");
    EXPECT_EQ(s.state.opponentFile, resultsDir() + "JOHN SMITH.txt");
}

TEST_F(AnalysisDriverTest, ANewMemberIsAppendedOnALineOfItsOwn) {
    writeBytes(root() + "/config.txt", "23456789 -- ANNA ADAMS");
    auto& s = afterDownload(kJohnSmithLine);
    Analyse(s);
    EXPECT_EQ(readBytes(root() + "/config.txt"), "23456789 -- ANNA ADAMS\r\n" + kEntry + "\r\n");
    EXPECT_EQ(s.ui.CmbIDList, (std::vector<std::string>{"23456789 -- ANNA ADAMS", kEntry}));
    EXPECT_EQ(s.ui.CmbID, kEntry);
}

TEST_F(AnalysisDriverTest, AFailedOrUselessMainPageKeepsTheLastRating) {
    writeBytes(resultsDir() + "currentrating.txt", "1400\r\n");
    auto& s = afterDownload(kJohnSmithLine);
    Analyse(s);  // the main page is not served
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(readBytes(resultsDir() + "currentrating.txt"), "1400\r\n");
    EXPECT_TRUE(fs::exists(resultsDir() + "12345678.txt"));
    EXPECT_FALSE(fs::exists(s.runTempDir() + "/currentrating.txt"));
}

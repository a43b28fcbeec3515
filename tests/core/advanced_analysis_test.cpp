#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis_test_support.h"
#include "stats/advanced_analysis.h"
#include "stats/rating_difference.h"

using namespace krv;
using namespace krv::testing;

namespace {

struct AdvancedAnalysisTest : AnalysisFixture {
    void writeSevenGames() {
        writeGames({
            gameRecord("10000001", "ANNA APPLE", " 1", "1500", "1750", "1520", "20050315", "SPRING OPEN"),
            gameRecord("20000002", "BOB BAKER", " .5", "1520", "1600", "1530", "20060101", "WINTER OPEN"),
            gameRecord("30000003", "CARL CROSS", " 0", "1530", "1300", "1510", "20060505", "MAY DAY"),
            gameRecord("40000004", "DAN DOYLE", " 1", "1510", "UnR", "1515", "20060505", "MAY DAY"),
            gameRecord("50000005", "EVE EAST", " 1", "UnR", "1900", "1400", "20040404", "FIRST OPEN"),
            gameRecord("60000006", "FAY FOX", " .5", "1510", "1650", "1515", "20070707", "SUMMER OPEN"),
            gameRecord("70000007", "GUS GRAY", " 0", "1515", "1200", "1500", "20070909", "FALL OPEN"),
        });
        writeResults({"Win,20040404,FIRST OPEN", "Win,20050315,SPRING OPEN", "Draw,20060101,WINTER OPEN",
                      "Loss,20060505,MAY DAY", "Win,20060505,MAY DAY", "Draw,20070707,SUMMER OPEN",
                      "Loss,20070909,FALL OPEN"});
    }

    // The lines after the rating summary (which ends in an empty line).
    std::vector<std::string> linesAfterSummary() const {
        auto lines = digestLines();
        return {lines.begin() + 6, lines.end()};
    }
};

}  // namespace

TEST_F(AdvancedAnalysisTest, BuildsTheWholeDigestAndSavesIt) {
    writeSevenGames();
    writeOfficialRating("1505");
    sortData();
    cmdAdvanceAnalyse_Click(session);
    // Unrated players on either side never make a notable game, although
    // EVE's win has the largest difference and DAN's opponent tops the
    // generic sort.
    const std::string expected =
        "This is data from 01-01-1991 to 06-15-2024\r\n"
        "\r\n"
        "Current Official rating is 1505    Current UnOfficial rating is 1500\r\n"
        "Best Unofficial rating = 1530   Best Official rating = 1530   Lowest rating on record = 1500\r\n"
        "7 Opponents   Total Rated Games =  7 --->     3 Wins   2 Draws   2 Losses\r\n"
        "\r\n"
        "Best Upset = 250 points -- ANNA APPLE -- 1750  SPRING OPEN 03-15-2005\r\n"
        "Best Draw = 140 points -- FAY FOX -- 1650  SUMMER OPEN 07-07-2007\r\n"
        "Worst Loss = -315 points -- GUS GRAY -- 1200  FALL OPEN 09-09-2007\r\n"
        "\r\n"
        "Highest Rated Opponent Win = ANNA APPLE -- 1750  SPRING OPEN  03-15-2005\r\n"
        "Highest Rated Opponent Draw = FAY FOX -- 1650  SUMMER OPEN  07-07-2007\r\n"
        "Lowest Rated Opponent Loss to = GUS GRAY -- 1200  FALL OPEN  09-09-2007\r\n"
        "\r\n"
        "Most Recent Wins in a row =  2 ending on 01-01-2006 at WINTER OPEN\r\n"
        "Most Recent Draws in a row =  1 ending on 09-09-2007 at FALL OPEN\r\n"
        "Most Recent Losses in a row =  1 ending on 09-09-2007 at FALL OPEN\r\n"
        "\r\n"
        "Results against 4 higher rated players: Wins =  2   Draws =  2   Losses =  0\r\n"
        "Results against 0  equally rated players: Wins =  0   Draws =  0   Losses =  0\r\n"
        "Results against 3  lower rated players: Wins =  1   Draws =  0   Losses =  2\r\n"
        "\r\n"
        "Results against 3 players rated + 100 : Wins =  2   Draws =  1   Losses =  0\r\n"
        "Results against 1 players rated +/-100: Wins =  0   Draws =  1   Losses =  0\r\n"
        "Results against 3 players rated - 100 : Wins =  1   Draws =  0   Losses =  2";
    EXPECT_EQ(session.ui.txtResults, expected);
    EXPECT_EQ(resultFile("digest.txt"), expected + "\r\n");
    EXPECT_EQ(session.ui.lblprocessed, filesCreatedText(session.store().results()));
}

TEST_F(AdvancedAnalysisTest, NamesAreCopiedAsTheGridHoldsThem) {
    writeSevenGames();
    sortData();
    Grid& g = session.ui.MSFlexSort;
    for (int r = 0; r < g.rows(); ++r)
        if (g.text(r, 0) == "10000001") g.setText(r, 1, "ANNA APPLE      ");
    cmdAdvanceAnalyse_Click(session);
    EXPECT_EQ(linesAfterSummary().at(0), "Best Upset = 250 points -- ANNA APPLE       -- 1750  SPRING OPEN 03-15-2005");
}

TEST_F(AdvancedAnalysisTest, LinesWithoutAQualifyingGameAreLeftOut) {
    // No draws, no losses against rated opponents.
    writeGames({gameRecord("10000001", "ANNA APPLE", " 1", "1500", "1400", "1510", "20050315"),
                gameRecord("20000002", "BOB BAKER", " 0", "1510", "UnR", "1500", "20050315")});
    writeResults({"Win,20050315,SPRING OPEN", "Loss,20050315,SPRING OPEN"});
    sortData();
    cmdAdvanceAnalyse_Click(session);
    const auto lines = linesAfterSummary();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Best Upset = -100 points -- ANNA APPLE -- 1400  SPRING OPEN 03-15-2005");
    EXPECT_EQ(lines[1], "Highest Rated Opponent Win = ANNA APPLE -- 1400  SPRING OPEN  03-15-2005");
    EXPECT_EQ(lines[2], "Most Recent Wins in a row =  1 ending on 03-15-2005 at SPRING OPEN");
}

TEST_F(AdvancedAnalysisTest, AMemberWithoutGamesStillGetsTheDigest) {
    writeGames({});
    writeResults({});
    sortData();
    cmdAdvanceAnalyse_Click(session);
    const auto lines = linesAfterSummary();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Most Recent Wins in a row =  0 ending on -- at ");
    EXPECT_EQ(lines[4], "Results against 0 higher rated players: Wins =  0   Draws =  0   Losses =  0");
    EXPECT_EQ(lines[10], "Results against 0 players rated - 100 : Wins =  0   Draws =  0   Losses =  0");
    EXPECT_EQ(resultFile("digest.txt"), session.ui.txtResults + "\r\n");
}

TEST_F(AdvancedAnalysisTest, RunningItAgainAppendsASecondSet) {
    writeSevenGames();
    sortData();
    cmdAdvanceAnalyse_Click(session);
    const std::string once = session.ui.txtResults;
    const std::string summary = once.substr(0, once.find("\r\nBest Upset"));
    cmdAdvanceAnalyse_Click(session);
    EXPECT_EQ(session.ui.txtResults, once + once.substr(summary.size()));
    EXPECT_EQ(resultFile("digest.txt"), session.ui.txtResults + "\r\n");
}

TEST_F(AdvancedAnalysisTest, TheSavedSortsAreAppliedToBothGrids) {
    writeSevenGames();
    session.state.savedSortColumn = 7;
    session.state.savedSortCode = 4;
    session.state.savedIndividualColumn = 1;
    session.state.savedIndividualSortCode = 6;
    sortData();
    cmdAdvanceAnalyse_Click(session);
    const auto dates = column(session.ui.MSFlexSort, 7);
    EXPECT_TRUE(std::is_sorted(dates.rbegin(), dates.rend()));
    EXPECT_EQ(session.ui.MSFlexSort.col(), 7);
    EXPECT_EQ(column(session.ui.MSFlexResults, 1).front(), "GUS GRAY");
    EXPECT_EQ(session.ui.MSFlexResults.col(), 1);
}

TEST_F(AdvancedAnalysisTest, WithoutSavedSettingsTheGridKeepsTheOrderTheSearchesLeft) {
    writeSevenGames();
    sortData();
    cmdAdvanceAnalyse_Click(session);
    // Column 0 with no sorting: opponent's rating, lowest first, stays.
    EXPECT_EQ(session.ui.MSFlexSort.col(), 0);
    EXPECT_EQ(session.ui.MSFlexSort.text(0, 4), "1200");
}

TEST_F(AdvancedAnalysisTest, AMissingResultsFileEndsTheRunSilently) {
    writeSevenGames();
    sortData();
    std::filesystem::remove(session.state.streakFile);
    session.state.savedSortColumn = 7;
    session.state.savedSortCode = 4;
    session.setStatus("working");
    cmdAdvanceAnalyse_Click(session);

    // The notable games stay in the digest; nothing after them, no file, no
    // message, and the grid keeps the searches' last order.
    const auto lines = linesAfterSummary();
    EXPECT_EQ(lines.size(), 7u);
    EXPECT_FALSE(std::filesystem::exists(results() + "digest.txt"));
    EXPECT_EQ(session.ui.lblprocessed, "working");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(session.ui.MSFlexSort.col(), 4);
}

TEST_F(AdvancedAnalysisTest, BeforeAnyAnalysisTheGridNamesNothingButTheRestRuns) {
    // The button pressed on a fresh start: the grid has no columns yet.
    writeResults({"Win,20050315,SPRING OPEN"});
    cmdAdvanceAnalyse_Click(session);
    const auto lines = digestLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[1], "Most Recent Wins in a row =  1 ending on 03-15-2005 at SPRING OPEN");
    EXPECT_TRUE(std::filesystem::exists(results() + "digest.txt"));
}

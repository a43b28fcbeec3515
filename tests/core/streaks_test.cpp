#include <gtest/gtest.h>

#include "analysis_test_support.h"
#include "stats/analysis_errors.h"
#include "stats/streaks.h"

using namespace krv;
using namespace krv::testing;

namespace {

// Results numbered by line: line i has date "2005010i" and event "Ei".
std::vector<ResultLine> results(const std::vector<std::string>& words) {
    std::vector<ResultLine> lines;
    for (std::size_t i = 0; i < words.size(); ++i)
        lines.push_back({words[i], "2005010" + std::to_string(i + 1), "E" + std::to_string(i + 1)});
    return lines;
}

void expectRun(const Streak& s, long best, const std::string& eventName) {
    EXPECT_EQ(s.best, best);
    EXPECT_EQ(s.eventName, eventName);
}

}  // namespace

TEST(LongestRun, TheLastOfEquallyLongRunsWins) {
    // The second run of two reaches the end of the file: its last line.
    expectRun(longestRun(results({"Loss", "Win", "Win", "Draw", "Win", "Win"}), "Win"), 2, "E6");
    // Two runs of two, the second ended by a loss: the line that ended it.
    expectRun(longestRun(results({"Win", "Win", "Draw", "Win", "Win", "Loss", "Draw"}), "Win"), 2, "E6");
}

TEST(LongestRun, ALongerRunIsReportedWithTheLineThatEndedIt) {
    expectRun(longestRun(results({"Win", "Win", "Win", "Loss", "Win"}), "Win"), 3, "E4");
}

TEST(LongestRun, WithoutTheResultTheLastLineIsReported) {
    const Streak none = longestRun(results({"Win", "Loss", "Win"}), "Draw");
    expectRun(none, 0, "E3");
    EXPECT_EQ(none.date, "20050103");
    expectRun(longestRun({}, "Win"), 0, "");
}

TEST(LongestRun, ResultWordsCompareExactly) {
    expectRun(longestRun(results({"win", "WIN", "Win"}), "Win"), 1, "E3");
}

using GetStreakTest = AnalysisFixture;

TEST_F(GetStreakTest, AppendsThreeLinesAndAnEmptyLine) {
    session.ui.txtResults = "before";
    writeResults({"Win,20050315,SPRING OPEN", "Win,20050315,SPRING OPEN", "Loss,20060101,WINTER OPEN",
                  "Draw,20060101,WINTER OPEN"});
    getStreak(session);
    EXPECT_EQ(session.ui.txtResults,
              "before\r\n"
              "Most Recent Wins in a row =  2 ending on 01-01-2006 at WINTER OPEN\r\n"
              "Most Recent Draws in a row =  1 ending on 01-01-2006 at WINTER OPEN\r\n"
              "Most Recent Losses in a row =  1 ending on 01-01-2006 at WINTER OPEN\r\n");
}

TEST_F(GetStreakTest, AnEmptyResultsFileReportsZeroWithoutADate) {
    writeResults({});
    getStreak(session);
    EXPECT_EQ(session.ui.txtResults,
              "\r\nMost Recent Wins in a row =  0 ending on -- at "
              "\r\nMost Recent Draws in a row =  0 ending on -- at "
              "\r\nMost Recent Losses in a row =  0 ending on -- at \r\n");
}

TEST_F(GetStreakTest, AMissingOrTruncatedFileStopsTheAnalysis) {
    EXPECT_THROW(getStreak(session), AnalysisStopped);
    session.state.streakFile.clear();
    EXPECT_THROW(getStreak(session), AnalysisStopped);

    session.state.streakFile = results() + "streak.txt";
    writeResults({"Win,20050315,SPRING OPEN", "Loss,20050315"});
    EXPECT_THROW(getStreak(session), AnalysisStopped);
    EXPECT_EQ(session.ui.txtResults, "");
}

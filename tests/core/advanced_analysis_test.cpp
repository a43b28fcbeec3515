#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "analysis_test_support.h"
#include "platform/store_error.h"
#include "stats/advanced_analysis.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

// The whole digest of real members is compared in the golden analyses.
struct AdvancedAnalysisTest : AnalysisFixture {
    // No draws, no losses against rated opponents.
    void loadGames() {
        writeGames({gameRecord("10000001", "ANNA APPLE", " 1", "1500", "1400", "1510", "20050315"),
                    gameRecord("20000002", "BOB BAKER", " 0", "1510", "UnR", "1500", "20060101", "WINTER OPEN")});
        writeResults({"Win,20050315,SPRING OPEN", "Loss,20060101,WINTER OPEN"});
        sortData();
    }
};

}  // namespace

TEST_F(AdvancedAnalysisTest, AMissingLineDropsItsGroupsEmptyLineAndSavedSortsComeLast) {
    loadGames();
    cmdAdvanceAnalyse_Click(session);
    // Between the summary and the streak lines; BOB is unrated: no loss.
    const std::string& digest = session.ui.txtResults;
    const std::size_t from = digest.find("Losses\r\n") + 8;
    EXPECT_EQ(digest.substr(from, digest.find("\r\nMost Recent") - from),
              "\r\nBest Upset = -100 points -- ANNA APPLE -- 1400  SPRING OPEN 03-15-2005"
              "\r\nHighest Rated Opponent Win = ANNA APPLE -- 1400  SPRING OPEN  03-15-2005");
    // Without saved settings the grid keeps the searches' last order.
    EXPECT_EQ(session.ui.MSFlexSort.col(), 0);
    EXPECT_EQ(column(session.ui.MSFlexSort, 4), (std::vector<std::string>{"1400", "UnR"}));
    // A second run appends a second set.
    const std::string once = digest;
    cmdAdvanceAnalyse_Click(session);
    EXPECT_EQ(digest, once + once.substr(from));

    session.state.savedSortColumn = 7;
    session.state.savedSortCode = 4;
    session.state.savedIndividualColumn = 1;
    session.state.savedIndividualSortCode = 6;
    loadGames();
    cmdAdvanceAnalyse_Click(session);
    EXPECT_EQ(column(session.ui.MSFlexSort, 7), (std::vector<std::string>{"20060101", "20050315"}));
    EXPECT_EQ(session.ui.MSFlexSort.col(), 7);
    EXPECT_EQ(column(session.ui.MSFlexResults, 1), (std::vector<std::string>{"BOB BAKER", "ANNA APPLE"}));
    EXPECT_EQ(session.ui.MSFlexResults.col(), 1);
}

// A missing or broken results file or member ID ends the run without a
// word: the lines so far stay; no digest file, status or saved sort. A
// digest that cannot be written (its folder is gone) is a store error: the
// same, but the command ends with the error instead of silently.
TEST_F(AdvancedAnalysisTest, AMissingResultsFileOrFolderEndsTheRun) {
    const std::string notable = "SPRING OPEN  03-15-2005", bands = "Wins =  0   Draws =  0   Losses =  1";
    const std::string outside = session.store().results() + "/../../x /";
    struct Case {
        std::string digestEnd;
        bool storeError;
        std::function<void()> damage;
    };
    const std::vector<Case> cases{
        {notable, false, [&] { fs::remove(session.state.streakFile); }},
        {notable, false,
         [&] {
             writeResults({"Win,20050315,SPRING OPEN", "Loss,20060101"});
         }},
        {bands, true, [&] { fs::remove_all(results()); }},
        {bands, false,
         [&] {
             session.ui.CmbID = "../../x -- SOMEONE";
             fs::create_directories(outside);
         }},
    };
    session.state.streakFile = dir / "streak.txt";  // outside the results folder
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        session.ui.CmbID = "12345678 -- JOHN SMITH";
        loadGames();
        session.state.savedSortColumn = 7;
        session.state.savedSortCode = 4;
        session.setStatus("working");
        cases[i].damage();
        if (cases[i].storeError) {
            try {
                cmdAdvanceAnalyse_Click(session);
                ADD_FAILURE() << "no store error";
            } catch (const StoreError& e) {
                EXPECT_EQ(e.path(), results() + "digest.txt");
                EXPECT_EQ(e.reason(), "No such file or directory");
            }
        } else {
            cmdAdvanceAnalyse_Click(session);
        }
        EXPECT_TRUE(session.ui.txtResults.ends_with(cases[i].digestEnd)) << session.ui.txtResults;
        EXPECT_FALSE(fs::exists(results() + "digest.txt"));
        EXPECT_FALSE(fs::exists(outside + "digest.txt"));
        EXPECT_EQ(session.ui.lblprocessed, "working");
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(session.ui.MSFlexSort.col(), 4);
    }
}

TEST_F(AdvancedAnalysisTest, BeforeAnyAnalysisTheGridNamesNothingButTheRestRuns) {
    // The button pressed on a fresh start: the grid has no columns yet.
    writeResults({"Win,20050315,SPRING OPEN"});
    cmdAdvanceAnalyse_Click(session);
    ASSERT_EQ(digestLines().size(), 12u);
    EXPECT_EQ(digestLines()[1], "Most Recent Wins in a row =  1 ending on 03-15-2005 at SPRING OPEN");
    EXPECT_TRUE(fs::exists(results() + "digest.txt"));
}

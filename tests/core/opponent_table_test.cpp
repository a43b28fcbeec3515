#include <gtest/gtest.h>

#include "analysis_test_support.h"
#include "tournament/opponent_table.h"

using namespace krv;
using namespace krv::testing;

TEST(ScorePercentage, RoundsHalvesToEvenAndAlwaysStartsWithABlank) {
    const std::vector<std::tuple<double, double, double, std::string>> cases{
        {1, 1, 2, " 75%"},  {0, 1, 4, " 12%"}, {1, 3, 4, " 62%"}, {5, 1, 8, " 69%"},
        {3, 0, 3, " 100%"}, {0, 0, 3, " 0%"},  {0, 0, 0, " 0%"},
    };
    for (const auto& [wins, draws, games, expected] : cases)
        EXPECT_EQ(scorePercentage(wins, draws, games), expected) << wins << "/" << draws << "/" << games;
}

using OpponentTableTest = AnalysisFixture;

// The totals reach the digest's summary, compared in the golden analyses.
TEST_F(OpponentTableTest, FillsOneRowPerLineAndAppliesOnlyASavedSortItHas) {
    auto& st = session.state;
    writeBytes(st.opponentFile, "ANNA APPLE, 1 , 1 , 0 , 2 \r\nCHER, 0 , 1 , 3 , 4 \r\nBOB BAKER, 3 , 0 , 0 , 3 \r\n");
    st.opponentCount = 5;  // more than the file holds: the table ends with the file
    const Grid& g = session.ui.MSFlexResults;
    const std::vector<std::string> fileOrder{"ANNA APPLE", "CHER", "BOB BAKER"};
    struct Case {
        std::optional<int> column, code;
        std::vector<std::string> names;
        int selected;
    };
    for (const Case& c : std::vector<Case>{
             {std::nullopt, std::nullopt, fileOrder, 0},      // nothing saved
             {5, 4, {"CHER", "BOB BAKER", "ANNA APPLE"}, 5},  // games, descending
             {0, 5, {"CHER", "ANNA APPLE", "BOB BAKER"}, 0},  // the hidden name key: one word first
             {12, 5, fileOrder, 0},                           // a column the table lacks: no sort
         }) {
        st.savedIndividualColumn = c.column;
        st.savedIndividualSortCode = c.code;
        EXPECT_EQ(fillOpponentTable(session).games, 9);
        applySavedIndividualSort(session);
        EXPECT_EQ(column(g, 1), c.names) << c.column.value_or(-1);
        EXPECT_EQ(g.col(), c.selected);
        EXPECT_EQ(st.individualLastSortCode, c.code);  // kept for the next exit
    }
    EXPECT_EQ(column(g, 6), (std::vector<std::string>{" 75%", " 12%", " 100%"}));  // in file order again

    st.opponentFile = results() + "nobody.txt";
    EXPECT_EQ(fillOpponentTable(session).games, 0);
    EXPECT_EQ(g.rows(), 0);
}

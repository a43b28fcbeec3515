#include <gtest/gtest.h>

#include "analysis_test_support.h"
#include "tournament/opponent_table.h"

using namespace krv;
using namespace krv::testing;

namespace {

struct OpponentTableTest : AnalysisFixture {
    void writeOpponents(const std::vector<std::string>& lines) {
        writeBytes(session.state.opponentFile, joinLinesCrLf(lines));
        session.state.opponentCount = static_cast<long>(lines.size());
    }
};

}  // namespace

TEST(ScorePercentage, RoundsHalvesToEvenAndAlwaysStartsWithABlank) {
    EXPECT_EQ(scorePercentage(1, 1, 2), " 75%");
    EXPECT_EQ(scorePercentage(0, 1, 4), " 12%");   // 12.5
    EXPECT_EQ(scorePercentage(1, 3, 4), " 62%");   // 62.5
    EXPECT_EQ(scorePercentage(5, 1, 8), " 69%");   // 68.75
    EXPECT_EQ(scorePercentage(3, 0, 3), " 100%");
    EXPECT_EQ(scorePercentage(0, 0, 3), " 0%");
    EXPECT_EQ(scorePercentage(0, 0, 0), " 0%");
}

TEST_F(OpponentTableTest, FillsOneRowPerLineAndTotalsTheCounts) {
    writeOpponents({"ANNA APPLE, 1 , 1 , 0 , 2 ", "CHER, 0 , 1 , 3 , 4 ", "BOB BAKER, 3 , 0 , 0 , 3 "});
    const OpponentTotals totals = fillOpponentTable(session);
    EXPECT_EQ(totals.wins, 4);
    EXPECT_EQ(totals.draws, 2);
    EXPECT_EQ(totals.losses, 3);
    EXPECT_EQ(totals.games, 9);

    const Grid& g = session.ui.MSFlexResults;
    ASSERT_EQ(g.rows(), 3);
    ASSERT_EQ(g.cols(), 7);
    EXPECT_EQ(g.width(), 5751);
    EXPECT_TRUE(g.isColHidden(0));
    EXPECT_EQ(g.colAlignment(5), CellAlignment::Centre);
    EXPECT_TRUE(g.visible());
    EXPECT_EQ(column(g, 0), (std::vector<std::string>{"APPLE ANNA ", " ", "BAKER BOB "}));
    EXPECT_EQ(column(g, 1), (std::vector<std::string>{"ANNA APPLE", "CHER", "BOB BAKER"}));
    EXPECT_EQ(column(g, 2), (std::vector<std::string>{"1", "0", "3"}));
    EXPECT_EQ(column(g, 6), (std::vector<std::string>{" 75%", " 12%", " 100%"}));
}

TEST_F(OpponentTableTest, TheSavedSortIsAppliedAndKeptForTheNextExit) {
    writeOpponents({"ANNA APPLE, 1 , 1 , 0 , 2 ", "CHER, 0 , 1 , 3 , 4 ", "BOB BAKER, 3 , 0 , 0 , 3 "});
    session.state.savedIndividualColumn = 5;
    session.state.savedIndividualSortCode = 4;
    fillOpponentTable(session);
    applySavedIndividualSort(session);
    EXPECT_EQ(column(session.ui.MSFlexResults, 5), (std::vector<std::string>{"4", "3", "2"}));
    EXPECT_EQ(session.ui.MSFlexResults.col(), 5);
    EXPECT_EQ(session.state.individualLastSortCode, 4);

    // A name sort on the hidden key puts a one-word name first.
    session.state.savedIndividualColumn = 0;
    session.state.savedIndividualSortCode = 5;
    fillOpponentTable(session);
    applySavedIndividualSort(session);
    EXPECT_EQ(column(session.ui.MSFlexResults, 1), (std::vector<std::string>{"CHER", "ANNA APPLE", "BOB BAKER"}));
}

TEST_F(OpponentTableTest, WithoutSavedSettingsTheFileOrderStays) {
    writeOpponents({"ZED ZULU, 1 , 0 , 0 , 1 ", "ANNA APPLE, 1 , 0 , 0 , 1 "});
    fillOpponentTable(session);
    applySavedIndividualSort(session);
    EXPECT_EQ(column(session.ui.MSFlexResults, 1), (std::vector<std::string>{"ZED ZULU", "ANNA APPLE"}));
    EXPECT_EQ(session.state.individualLastSortCode, std::nullopt);

    // A saved column the table does not have sorts nothing.
    session.state.savedIndividualColumn = 12;
    session.state.savedIndividualSortCode = 5;
    applySavedIndividualSort(session);
    EXPECT_EQ(column(session.ui.MSFlexResults, 1), (std::vector<std::string>{"ZED ZULU", "ANNA APPLE"}));
    EXPECT_EQ(session.ui.MSFlexResults.col(), 0);
}

TEST_F(OpponentTableTest, AShortOrMissingFileEndsTheTableWithoutFailing) {
    writeOpponents({"ANNA APPLE, 1 , 0 , 0 , 1 "});
    session.state.opponentCount = 3;
    EXPECT_EQ(fillOpponentTable(session).games, 1);
    EXPECT_EQ(session.ui.MSFlexResults.rows(), 1);

    session.state.opponentFile = results() + "nobody.txt";
    EXPECT_EQ(fillOpponentTable(session).games, 0);
    EXPECT_EQ(session.ui.MSFlexResults.rows(), 0);
}

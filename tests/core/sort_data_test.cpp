#include <gtest/gtest.h>

#include <filesystem>

#include "analysis_test_support.h"

using namespace krv;
using namespace krv::testing;

namespace {

using SortDataTest = AnalysisFixture;

// Ten games against five opponents, in the order the events were parsed.
std::vector<std::string> tenGames() {
    return {
        gameRecord("30000003", "CARL CROSS", " 1", "1500", "1400", "1510", "20050315"),
        gameRecord("10000001", "ANNA APPLE", " 0", "1500", "1700", "1510", "20050315"),
        gameRecord("9000009", "ERIC EAST", " .5", "1500", "1500", "1510", "20050315"),
        gameRecord("20000002", "BOB BAKER", " 1", "1510", "UnR", "1530", "20060101"),
        gameRecord("10000001", "ANNA APPLE-SMITH", " .5", "1510", "1720", "1530", "20060101"),
        gameRecord("40000004", "DAN DOYLE", " .5", "1530", "1530", "1525", "20060505"),
        gameRecord("30000003", "CARL CROSS", " 0", "1530", "1410", "1525", "20060505"),
        gameRecord("20000002", "BOB BAKER", " 1", "1525", "1200", "1540", "20070707"),
        gameRecord("10000001", "ANNA B APPLE", " 1", "1525", "1690", "1540", "20070707"),
        gameRecord("30000003", "CARL CROSS", " 1", "1540", "1450", "1560", "20070808"),
    };
}

}  // namespace

TEST_F(SortDataTest, TotalsOneLinePerOpponentInAscendingIdOrder) {
    writeGames(tenGames());
    session.state.opponentCount = 7;  // left from an earlier run; the new count replaces it
    sortData();

    // The name is the one on the opponent's last row after the sort by ID,
    // so ANNA's group takes her last game's spelling. A numeric sort puts the
    // seven-digit ID first.
    EXPECT_EQ(resultFile("JOHN SMITH.txt"),
              "ERIC EAST, 0 , 1 , 0 , 1 \r\n"
              "ANNA B APPLE, 1 , 1 , 1 , 3 \r\n"
              "BOB BAKER, 2 , 0 , 0 , 2 \r\n"
              "CARL CROSS, 2 , 0 , 1 , 3 \r\n"
              "DAN DOYLE, 0 , 1 , 0 , 1 \r\n");
    EXPECT_EQ(session.state.opponentCount, 5);
    EXPECT_EQ(session.state.analyseOnly, 0);
}

TEST_F(SortDataTest, LoadsEachRecordIntoTheGridLayout) {
    writeGames({gameRecord("20000002", "BOB BAKER", " 1", "1510", "UnR", "1530", "20060101", "WINTER OPEN"),
                gameRecord("10000001", "ANNA VAN APPLE", " .5", "1510", "1720", "1530", "20060101")});
    sortData();
    const Grid& g = session.ui.MSFlexSort;
    ASSERT_EQ(g.rows(), 2);
    ASSERT_EQ(g.cols(), 11);
    EXPECT_EQ(g.width(), 13052);
    EXPECT_EQ(g.colAlignment(7), CellAlignment::Centre);
    EXPECT_EQ(g.colAlignment(8), CellAlignment::Centre);
    EXPECT_TRUE(g.isColHidden(9));
    EXPECT_TRUE(g.isColHidden(10));

    // Find each game whatever the grid's final order is.
    int anna = g.text(0, 0) == "10000001" ? 0 : 1, bob = 1 - anna;
    // Blanks around every field are dropped: no padding on the name, the
    // score without its sign blank.
    EXPECT_EQ(g.text(anna, 1), "ANNA VAN APPLE");
    EXPECT_EQ(g.text(anna, 2), ".5");
    EXPECT_EQ(g.text(anna, 5), "210");
    EXPECT_EQ(g.text(anna, 9), "APPLE ANNA VAN ");
    EXPECT_EQ(g.text(anna, 10), "200601010001.0-12345678.txt");
    // An unrated opponent counts as 0.
    EXPECT_EQ(g.text(bob, 4), "UnR");
    EXPECT_EQ(g.text(bob, 5), "-1510");
    EXPECT_EQ(g.text(bob, 8), "WINTER OPEN");

    for (const char* control : {"cmdsortbyid", "cmdsortbyalpha", "cmdsortbydate", "cmdresults", "lblrating", "cmdsel",
                                "cmdopp", "cmddif", "cmdPost", "cmdsortbytournament", "lblkrv", "MSFlexSort",
                                "CmdPrintTournamentView", "MSFlexResults"})
        EXPECT_TRUE(session.ui.isVisible(control)) << control;
}

TEST_F(SortDataTest, TheUpdateRunsTemporaryFilesGoOnlyAfterADownload) {
    writeGames(tenGames());
    auto& st = session.state;
    st.nameSourceFile = dir / "name.rch";
    st.historyPageFile = dir / "page.txt";
    st.eventListFile = dir / "events.lst";
    for (const auto* path : {&st.nameSourceFile, &st.historyPageFile, &st.eventListFile}) writeBytes(*path, "x");

    sortData();  // analyse only
    for (const auto* path : {&st.nameSourceFile, &st.historyPageFile, &st.eventListFile})
        EXPECT_TRUE(std::filesystem::exists(*path)) << *path;

    st.analyseOnly = 0;
    sortData();
    for (const auto* path : {&st.nameSourceFile, &st.historyPageFile, &st.eventListFile})
        EXPECT_FALSE(std::filesystem::exists(*path)) << *path;
}

TEST_F(SortDataTest, AMemberWithoutRatedGamesGetsEmptyFilesAndNoCrash) {
    writeGames({});
    session.state.opponentCount = 3;
    sortData();
    EXPECT_EQ(session.ui.MSFlexSort.rows(), 0);
    EXPECT_EQ(session.state.opponentCount, 0);
    EXPECT_TRUE(std::filesystem::exists(results() + "JOHN SMITH.txt"));
    EXPECT_EQ(resultFile("JOHN SMITH.txt"), "");
    EXPECT_EQ(resultFile("allChart.txt"), "");
    EXPECT_EQ(resultFile("yearChart.txt"), "");
    EXPECT_EQ(session.ui.MSFlexResults.rows(), 0);
}

TEST_F(SortDataTest, TheGameCountLimitsTheRecordsAndAShortFileEndsTheGrid) {
    writeGames(tenGames());
    session.state.gameCount = 4;
    sortData();
    EXPECT_EQ(session.ui.MSFlexSort.rows(), 4);

    session.state.gameCount = 25;  // more than the file holds
    sortData();
    EXPECT_EQ(session.ui.MSFlexSort.rows(), 10);
    EXPECT_EQ(session.state.opponentCount, 5);
}

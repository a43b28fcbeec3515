#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "analysis_test_support.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

using SortDataTest = AnalysisFixture;

TEST_F(SortDataTest, TotalsOneLinePerOpponentLoadsTheGridAndClearsWorkFiles) {
    // Ten games against five opponents, in the order the events were parsed.
    writeGames({
        gameRecord("30000003", "CARL CROSS", " 1", "1500", "1400", "1510", "20050315"),
        gameRecord("10000001", "ANNA APPLE", " 0", "1500", "1700", "1510", "20050315"),
        gameRecord("9000009", "ERIC EAST", " .5", "1500", "1500", "1510", "20050315"),
        gameRecord("20000002", "BOB BAKER", " 1", "1510", "UnR", "1530", "20060101", "WINTER OPEN"),
        gameRecord("10000001", "ANNA APPLE-SMITH", " .5", "1510", "1720", "1530", "20060101"),
        gameRecord("40000004", "DAN DOYLE", " .5", "1530", "1530", "1525", "20060505"),
        gameRecord("30000003", "CARL CROSS", " 0", "1530", "1410", "1525", "20060505"),
        gameRecord("20000002", "BOB BAKER", " 1", "1525", "1200", "1540", "20070707"),
        gameRecord("10000001", "ANNA B APPLE", " 1", "1525", "1690", "1540", "20070707"),
        gameRecord("30000003", "CARL CROSS", " 1", "1540", "1450", "1560", "20070808"),
    });
    auto& st = session.state;
    st.gameCount = 25;     // more than the file holds: the grid ends with the file
    st.opponentCount = 7;  // left from an earlier run: replaced
    writeBytes(results() + "tempChart.txt", "left by an interrupted run");
    const std::vector<std::string*> updateRunFiles{&st.nameSourceFile, &st.historyPageFile, &st.eventListFile};
    for (int i = 0; i < 3; ++i) writeBytes(*updateRunFiles[i] = dir / ("temp" + std::to_string(i)), "x");
    sortData();  // Analyse Only

    // Ascending numeric ID order (the seven-digit ID first); each group is
    // named after its last row, so ANNA takes her last game's spelling.
    EXPECT_EQ(readBytes(st.opponentFile),
              "ERIC EAST, 0 , 1 , 0 , 1 \r\n"
              "ANNA B APPLE, 1 , 1 , 1 , 3 \r\n"
              "BOB BAKER, 2 , 0 , 0 , 2 \r\n"
              "CARL CROSS, 2 , 0 , 1 , 3 \r\n"
              "DAN DOYLE, 0 , 1 , 0 , 1 \r\n");
    EXPECT_EQ(st.opponentCount, 5);
    EXPECT_FALSE(fs::exists(results() + "tempChart.txt"));
    for (const std::string* path : updateRunFiles) EXPECT_TRUE(fs::exists(*path)) << *path;

    // Fields lose their blanks; an unrated opponent counts as 0 in the
    // difference; the hidden columns hold the name key and the section file.
    const Grid& g = session.ui.MSFlexSort;
    const auto opponents = column(g, 4);
    const int bob = static_cast<int>(std::find(opponents.begin(), opponents.end(), "UnR") - opponents.begin());
    ASSERT_EQ(g.rows(), 10);
    ASSERT_LT(bob, 10);
    std::vector<std::string> row;
    for (int c = 0; c < g.cols(); ++c) row.push_back(g.text(bob, c));
    EXPECT_EQ(row, (std::vector<std::string>{"20000002", "BOB BAKER", "1", "1510", "UnR", "-1510", "1530", "20060101",
                                             "WINTER OPEN", "BAKER BOB ", "200601010001.0-12345678.txt"}));

    // A run after a download (the flag is reset) removes the update run's
    // temporary files; the game count limits the records read.
    st.gameCount = 4;
    sortData();
    EXPECT_EQ(g.rows(), 4);
    for (const std::string* path : updateRunFiles) EXPECT_FALSE(fs::exists(*path)) << *path;
}

// The sort buttons of the tournament grid and of the individual results
// grid, and the tournament grid's click on an event.
#include <gtest/gtest.h>

#include "individual/individual_sort.h"
#include "session/session.h"
#include "session/sort_name.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"

using namespace krv;
using Texts = std::vector<std::string>;

namespace {

// Fills a grid with the rows, the sort key of each row's name going into
// keyColumn (the name is the text after it, or in column 1).
void fill(Grid& grid, std::vector<Texts> rows, int keyColumn) {
    grid.setCols(static_cast<int>(rows[0].size()) + 1);
    grid.setRows(static_cast<int>(rows.size()));
    for (int r = 0; r < grid.rows(); ++r) {
        rows[r].insert(rows[r].begin() + keyColumn, makeSortName(rows[r][keyColumn ? 1 : 0]));
        for (int c = 0; c < grid.cols(); ++c) grid.setText(r, c, rows[r][c]);
    }
}

Texts column(const Grid& grid, int c) {
    Texts out;
    for (int r = 0; r < grid.rows(); ++r) out.push_back(grid.text(r, c));
    return out;
}

struct SortFixture : ::testing::Test {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV", "http://127.0.0.1:9000/"}, boxes, offline};
    Grid& games = session.ui.MSFlexSort;
    Grid& opponents = session.ui.MSFlexResults;

    void SetUp() override {
        fill(games,
             {{"12000001", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "Winter Open",
               "201902100017.0-14000000.txt"},
              {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "autumn swiss",
               "201311160008.0-14000000.txt"},
              {"12000003", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "Spring Quads",
               "202303180024.0-14000000.txt2"}},
             9);
        fill(opponents,  // name, W, D, L, T, percentage
             {{"JOHN SMITH", "2", "1", "0", "3", "83%"},
              {"ANNA ZIMMER", "0", "0", "1", "1", "0%"},
              {"BOB ADAMS", "1", "0", "0", "1", "100%"},
              {"CARL MILLER", "2", "0", "1", "3", "67%"},
              {"DORA BAKER", "0", "2", "9", "11", "9%"}},
             0);
    }
    // The grid click on a cell: the address it sets, or "" when it leaves it.
    std::string click(int row, int col) {
        session.state.crosstableAddress = "before";
        games.setRow(row);
        games.setCol(col);
        const bool opens = MSFlexSort_Click(session);
        EXPECT_EQ(opens, session.state.crosstableAddress != "before") << row << "," << col;
        return opens ? session.state.crosstableAddress : "";
    }
};

}  // namespace

// Numeric columns share one direction switch, text columns another.
TEST_F(SortFixture, TournamentButtonsShareADirectionSwitchPerKind) {
    for (auto [press, col, expected, code] : std::vector<std::tuple<void (*)(KrvSession&), int, Texts, int>>{
             {cmdsel_Click, 3, {"1620", "1500", "UnR"}, 4},  // the run's first numeric sort: descending
             {cmdopp_Click, 4, {"980", "1420", "1800"}, 3},  // the next numeric button: ascending
             {cmdsel_Click, 3, {"1620", "1500", "UnR"}, 4},
             {cmdsel_Click, 3, {"UnR", "1500", "1620"}, 3},
             {cmdsortbyalpha_Click, 1, {"ANNA ZIMMER", "JOHN SMITH", "BOB ADAMS"}, 6},  // by surname, descending
             {cmdsortbytournament_Click, 8, {"autumn swiss", "Spring Quads", "Winter Open"}, 5},  // case ignored
         }) {
        press(session);
        EXPECT_EQ(column(games, col), expected) << col;
        EXPECT_EQ(games.col(), col == 1 ? 9 : col);  // alpha sorts the hidden surname key
        EXPECT_EQ(session.state.lastSortCode, code) << col;
    }
}

TEST_F(SortFixture, IndividualButtonsSortLikewiseKeepingEqualRowsInOrder) {
    for (auto [press, col, expected, code] : std::vector<std::tuple<void (*)(KrvSession&), int, Texts, int>>{
             {cmdW_Click, 1, {"JOHN SMITH", "CARL MILLER", "BOB ADAMS", "ANNA ZIMMER", "DORA BAKER"}, 4},
             {cmdD_Click, 1, {"CARL MILLER", "BOB ADAMS", "ANNA ZIMMER", "JOHN SMITH", "DORA BAKER"}, 3},
             {cmdW_Click, 2, {"2", "2", "1", "0", "0"}, 4},
             {cmdW_Click, 2, {"0", "0", "1", "2", "2"}, 3},             // "Wins" twice: descending, then ascending
             {cmdper_Click, 6, {"100%", "83%", "67%", "9%", "0%"}, 4},  // the number before the percent sign
             {cmdper_Click, 6, {"0%", "9%", "67%", "83%", "100%"}, 3},
             {cmdalpharesults_Click, 1, {"ANNA ZIMMER", "JOHN SMITH", "CARL MILLER", "DORA BAKER", "BOB ADAMS"}, 6},
         }) {
        press(session);
        EXPECT_EQ(column(opponents, col), expected) << col;
        EXPECT_EQ(session.state.individualLastSortCode, code) << col;
    }
    EXPECT_EQ(opponents.col(), 0);  // alpha sorts the hidden surname key
}

TEST_F(SortFixture, OnlyAClickOnAnEventNameSetsItsCrosstableAddress) {
    EXPECT_EQ(click(0, 8), "http://127.0.0.1:9000/krv/XtblMain.php?201902100017.0-14000000");
    // A later section file of an event leads to the same page as its first.
    EXPECT_EQ(click(2, 8), "http://127.0.0.1:9000/krv/XtblMain.php?202303180024.0-14000000");
    for (int col : {0, 1, 7, 9, 10}) EXPECT_EQ(click(1, col), "") << col;
    EXPECT_EQ(click(3, 8), "");  // below the last row
    games.setText(1, 10, "no-extension");
    EXPECT_EQ(click(1, 8), "");
}

TEST(CrosstableKey, TakesTheTextBeforeTheFirstTxtIgnoringCase) {
    EXPECT_EQ(crosstableKey("201902100017.0-14000000.TXT12"), "201902100017.0-14000000");
    EXPECT_EQ(crosstableKey("a.txt.txt"), "a");
    for (const char* name : {"201902100017.0-14000000", ".txt", ""}) EXPECT_EQ(crosstableKey(name), std::nullopt);
}

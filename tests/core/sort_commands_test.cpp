#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/commands.h"
#include "shell/session.h"
#include "shell/sort_name.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"

using namespace krv;
using krv::testing::readBytes;
using krv::testing::TempDir;

namespace {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

struct Game {
    std::string opponentId, name, score, sel, opp, dif, post, date, event, file;
};

// A tournament grid as the game list fills it: 11 columns, row 0 a game.
struct TournamentFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV", "http://127.0.0.1:9000/"}, boxes, downloads};

    void fill(const std::vector<Game>& games) {
        Grid& g = session.ui.MSFlexSort;
        g.setCols(11);
        g.setRows(static_cast<int>(games.size()));
        for (int r = 0; r < g.rows(); ++r) {
            const Game& x = games[r];
            const std::string cells[] = {x.opponentId, x.name, x.score, x.sel,   x.opp,
                                         x.dif,        x.post, x.date,  x.event, makeSortName(x.name),
                                         x.file};
            for (int c = 0; c < 11; ++c) g.setText(r, c, cells[c]);
        }
    }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (int r = 0; r < session.ui.MSFlexSort.rows(); ++r)
            out.push_back(session.ui.MSFlexSort.text(r, c));
        return out;
    }
    void clickCell(int row, int col) {
        session.ui.MSFlexSort.setRow(row);
        session.ui.MSFlexSort.setCol(col);
    }
};

using Texts = std::vector<std::string>;

const std::vector<Game> kGames = {
    {"12000001", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "Winter Open",
     "201902100017.0-14000000.txt"},
    {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "autumn swiss",
     "201311160008.0-14000000.txt"},
    {"12000003", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "Spring Quads",
     "202303180024.0-14000000.txt2"},
};

}  // namespace

TEST_F(TournamentFixture, NumericButtonsShareOneDirectionSwitch) {
    fill(kGames);
    cmdsel_Click(session);  // the run's first numeric sort: descending
    EXPECT_EQ(column(3), (Texts{"1620", "1500", "UnR"}));
    EXPECT_EQ(session.ui.MSFlexSort.col(), 3);
    EXPECT_EQ(session.state.lastSortCode, 4);
    cmdsel_Click(session);
    EXPECT_EQ(column(3), (Texts{"UnR", "1500", "1620"}));
    EXPECT_EQ(session.state.lastSortCode, 3);

    cmdsel_Click(session);  // back to descending, so the next button sorts ascending
    cmdopp_Click(session);
    EXPECT_EQ(column(4), (Texts{"980", "1420", "1800"}));
    EXPECT_EQ(session.ui.MSFlexSort.col(), 4);
    EXPECT_EQ(session.state.lastSortCode, 3);
}

TEST_F(TournamentFixture, SelThenOppAsTheFirstSortsOfARun) {
    fill(kGames);
    cmdsel_Click(session);
    EXPECT_EQ(column(3), (Texts{"1620", "1500", "UnR"}));
    cmdopp_Click(session);
    EXPECT_EQ(column(4), (Texts{"980", "1420", "1800"}));
}

TEST_F(TournamentFixture, EachButtonSortsItsOwnColumn) {
    fill(kGames);
    for (const auto& button : kTournamentSortButtons) {
        ASSERT_TRUE(clickTournamentSortButton(session, button.name));
        EXPECT_EQ(session.ui.MSFlexSort.col(), button.column) << button.name;
    }
    EXPECT_FALSE(clickTournamentSortButton(session, "cmdnothing"));
    cmddif_Click(session);  // numeric switch stood at 4 after seven numeric buttons
    EXPECT_EQ(column(5), (Texts{"-1800", "80", "640"}));
}

TEST_F(TournamentFixture, AlphaSortsBySurnameAndSharesTheTextSwitchWithTournament) {
    fill(kGames);
    cmdsortbyalpha_Click(session);  // first text sort: descending
    EXPECT_EQ(column(1), (Texts{"ANNA ZIMMER", "JOHN SMITH", "BOB ADAMS"}));
    EXPECT_EQ(session.state.lastSortCode, 6);
    cmdsortbytournament_Click(session);  // ascending, case ignored
    EXPECT_EQ(column(8), (Texts{"autumn swiss", "Spring Quads", "Winter Open"}));
    EXPECT_EQ(session.state.lastSortCode, 5);
    cmdsortbyalpha_Click(session);
    EXPECT_EQ(column(1), (Texts{"ANNA ZIMMER", "JOHN SMITH", "BOB ADAMS"}));
}

TEST_F(TournamentFixture, ExitSavesTheLastButtonsCode) {
    startUp(session);
    fill(kGames);
    cmdsortbydate_Click(session);
    cmdExit_Click(session);
    auto lines = readBytes(dir / "KRV/default.txt");
    EXPECT_NE(lines.find("\r\n 7 \r\n 4 \r\n"), std::string::npos) << lines;
}

TEST_F(TournamentFixture, ClickOnAnEventNameSetsTheCrosstableAddress) {
    fill(kGames);
    clickCell(0, 8);
    EXPECT_TRUE(MSFlexSort_Click(session));
    EXPECT_EQ(session.state.crosstableAddress,
              "http://127.0.0.1:9000/krv/XtblMain.php?201902100017.0-14000000");

    // A later section file of an event leads to the same page as its first.
    clickCell(2, 8);
    EXPECT_TRUE(MSFlexSort_Click(session));
    EXPECT_EQ(session.state.crosstableAddress,
              "http://127.0.0.1:9000/krv/XtblMain.php?202303180024.0-14000000");
}

TEST_F(TournamentFixture, ClicksElsewhereOpenNothing) {
    fill(kGames);
    session.state.crosstableAddress = "before";
    for (int col : {0, 1, 7, 9, 10}) {
        clickCell(1, col);
        EXPECT_FALSE(MSFlexSort_Click(session)) << col;
    }
    clickCell(3, 8);  // below the last row
    EXPECT_FALSE(MSFlexSort_Click(session));
    session.ui.MSFlexSort.setText(1, 10, "no-extension");
    clickCell(1, 8);
    EXPECT_FALSE(MSFlexSort_Click(session));
    EXPECT_EQ(session.state.crosstableAddress, "before");
}

TEST(CrosstableKey, TakesTheTextBeforeTheFirstTxtIgnoringCase) {
    EXPECT_EQ(crosstableKey("201902100017.0-14000000.txt"), "201902100017.0-14000000");
    EXPECT_EQ(crosstableKey("201902100017.0-14000000.TXT12"), "201902100017.0-14000000");
    EXPECT_EQ(crosstableKey("a.txt.txt"), "a");
    EXPECT_EQ(crosstableKey("201902100017.0-14000000"), std::nullopt);
    EXPECT_EQ(crosstableKey(".txt"), std::nullopt);
    EXPECT_EQ(crosstableKey(""), std::nullopt);
}

#include <gtest/gtest.h>

#include "individual/individual_printout.h"
#include "platform/printer.h"
#include "session/session.h"
#include "stats/digest_printout.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"
#include "tournament/tournament_printout.h"

using namespace krv;
using Lines = std::vector<std::string>;
using Sheets = std::vector<Lines>;

namespace {

const std::string kIdBox = "12345678 -- SMITH, JOHN";
const std::string kIndent(20, ' ');

// A sheet: the heading (the first sheet begins with an empty line), then the rows.
Lines tournamentSheet(int page, const Lines& games = {}) {
    Lines sheet = {kIndent + kIdBox + " TOURNAMENT RESULTS  as of 03-07-2025  Page " + std::to_string(page), "",
                   "[@5250]RATINGS",
                   "                        USCF#         Opponent                                            "
                   "Results[@5250]SEL      OPP      DIF      POST      DATE             TOURNAMENT NAME"};
    if (page == 1) sheet.insert(sheet.begin(), "");
    sheet.insert(sheet.end(), games.begin(), games.end());
    return sheet;
}
Lines individualSheet(int page, const Lines& opponents = {}) {
    Lines sheet = {kIndent + kIdBox + " INDIVIDUAL RESULTS  as of 03-07-2025  Page " + std::to_string(page), "",
                   "                     Opponent[@5000]W   D    L    T       +%"};
    if (page == 1) sheet.insert(sheet.begin(), "");
    sheet.insert(sheet.end(), opponents.begin(), opponents.end());
    return sheet;
}
// Game n of printGames as the number-th line.
std::string gameLine(int n, int number = 0, const std::string& name = "") {
    const std::string gap(5, ' ');
    return kIndent + std::to_string(number ? number : n) + ". " + std::to_string(19999999 + n) + gap +
           (name.empty() ? "PLAYER " + std::to_string(n) : name) + gap + "[@5000] 1" + gap + std::to_string(1499 + n) +
           gap + "1400" + gap + std::to_string(99 + n) + gap + "1510" + gap + "20240101" + gap + "OPEN " +
           std::to_string(n) + gap;
}

struct PrintoutFixture : ::testing::Test {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, offline};
    RecordingPrinter printer;

    PrintoutFixture() { session.ui.CmbID = kIdBox; }

    // Fills a grid, one row from cells(r) each, its first and last (sort
    // key and file name) columns hidden, and prints it.
    template <typename Print, typename Cells>
    Sheets print(Grid& grid, int rows, Print printout, Cells cells) {
        const int columns = static_cast<int>(cells(0).size());
        grid.setCols(columns);
        grid.setRows(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) grid.setText(r, c, cells(r)[c]);
        for (int c : columns == 7 ? std::vector{0} : std::vector{9, 10}) grid.setColWidth(c, 1);
        printer.ops.clear();
        printout(session, printer, "03-07-2025");
        return printer.pages();
    }
    Sheets printGames(int count) {
        return print(session.ui.MSFlexSort, count, printTournamentView, [](int r) {
            const std::string n = std::to_string(r + 1);
            return Lines{std::to_string(20000000 + r),
                         "PLAYER " + n,
                         " 1",
                         std::to_string(1500 + r),
                         "1400",
                         std::to_string(100 + r),
                         "1510",
                         "20240101",
                         "OPEN " + n,
                         "PLAYER " + n,
                         "202401010001.0-12345678-1.txt"};
        });
    }
    Sheets printOpponents(int count) {
        return print(session.ui.MSFlexResults, count, printIndividualResults, [](int r) {
            return Lines{"key" + std::to_string(r),
                         "NAME " + std::to_string(r + 1),
                         std::to_string(r % 5),
                         "0",
                         "1",
                         std::to_string(r % 5 + 1),
                         "50%"};
        });
    }
};

}  // namespace

TEST_F(PrintoutFixture, TournamentSheetsHoldFortyGames) {
    EXPECT_EQ(printGames(2), (Sheets{tournamentSheet(1, {gameLine(1), gameLine(2)})}));
    EXPECT_TRUE(printer.landscape());
    EXPECT_TRUE(printer.ended());
    EXPECT_EQ(printGames(0), (Sheets{tournamentSheet(1)}));

    // Forty games leave a second sheet with only its heading; the 41st is on it.
    for (int games : {40, 41}) {
        const Sheets sheets = printGames(games);
        ASSERT_EQ(sheets.size(), 2u) << games;
        ASSERT_EQ(sheets[0].size(), 1u + 4u + 40u) << games;
        EXPECT_EQ(sheets[0].back(), gameLine(40)) << games;
        EXPECT_EQ(sheets[1], games == 40 ? tournamentSheet(2) : tournamentSheet(2, {gameLine(41)}));
    }
}

TEST_F(PrintoutFixture, TournamentFollowsASortButtonAndALongNameOverlapsTheScore) {
    printGames(3);
    const std::string longName(80, 'X');
    session.ui.MSFlexSort.setText(1, 1, longName);
    cmddif_Click(session);  // the first numeric sort: largest difference first
    printer.ops.clear();
    printTournamentView(session, printer, "03-07-2025");
    // The row numbers count the printed lines; hidden columns are left out.
    EXPECT_EQ(printer.pages(),
              (Sheets{tournamentSheet(1, {gameLine(3, 1), gameLine(2, 2, longName), gameLine(1, 3)})}));
}

TEST_F(PrintoutFixture, IndividualSheetsHoldSixtyOpponents) {
    EXPECT_EQ(printOpponents(2),
              (Sheets{individualSheet(1, {kIndent + "1. NAME 1     [@5000]0     0     1     1     50%     ",
                                          kIndent + "2. NAME 2     [@5000]1     0     1     2     50%     "})}));
    EXPECT_FALSE(printer.landscape());
    EXPECT_TRUE(printer.ended());
    EXPECT_EQ(printOpponents(0), (Sheets{individualSheet(1)}));
    EXPECT_EQ(printOpponents(60)[1], individualSheet(2));
    const Sheets sheets = printOpponents(61);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].size(), 1u + 3u + 60u);
    ASSERT_EQ(sheets[1].size(), 4u);
    EXPECT_EQ(sheets[1][3].rfind(kIndent + "61. NAME 61     [@5000]", 0), 0u) << sheets[1][3];
}

TEST_F(PrintoutFixture, DigestPrintsEveryLineAsItsBytes) {
    for (const auto& [text, expected] : std::vector<std::pair<std::string, Lines>>{
             {"", {"", kIdBox, "", ""}},
             {"This is data\r\n\r\nBest = 1800\r\n", {"", kIdBox, "", "This is data", "", "Best = 1800", ""}},
             {"M\xFCller \xE9t\xE9", {"", kIdBox, "", "M\xFCller \xE9t\xE9"}}}) {
        printer.ops.clear();
        session.ui.txtResults = text;
        printDigest(session, printer);
        EXPECT_EQ(printer.pages(), Sheets{expected}) << text;
        EXPECT_TRUE(printer.ended());
    }
}

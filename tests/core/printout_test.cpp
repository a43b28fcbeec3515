#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "individual/individual_printout.h"
#include "platform/printer.h"
#include "shell/session.h"
#include "stats/digest_printout.h"
#include "support/temp_store.h"
#include "tournament/tournament_printout.h"

using namespace krv;
using krv::testing::TempDir;
using Sheets = std::vector<std::vector<std::string>>;

namespace {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

const std::string kToday = "03-07-2025";
const std::string kIdBox = "12345678 -- SMITH, JOHN";
const std::string kBlanks20(20, ' ');
const std::string kGap(5, ' ');

const std::string kTournamentTitle1 =
    kBlanks20 + kIdBox + " TOURNAMENT RESULTS  as of 03-07-2025  Page 1";
const std::string kTournamentColumns =
    "                        USCF#         Opponent                                            Results"
    "[@5250]SEL      OPP      DIF      POST      DATE             TOURNAMENT NAME";
const std::string kIndividualColumns = "                     Opponent[@5000]W   D    L    T       +%";

struct PrintoutFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir / "KRV"}, boxes, downloads};
    RecordingPrinter printer;

    PrintoutFixture() { session.ui.CmbID = kIdBox; }

    // Game rows as the game list fills them: 11 columns, the last two hidden.
    void fillGames(int count) {
        Grid& grid = session.ui.MSFlexSort;
        grid.setCols(11);
        grid.setRows(count);
        for (int r = 0; r < count; ++r) {
            const std::vector<std::string> cells = {
                std::to_string(20000000 + r), "PLAYER " + std::to_string(r + 1), " 1",
                std::to_string(1500 + r), "1400", std::to_string(100 + r), "1510",
                "20240101", "OPEN " + std::to_string(r + 1), "PLAYER " + std::to_string(r + 1),
                "202401010001.0-12345678-1.txt"};
            for (int c = 0; c < 11; ++c) grid.setText(r, c, cells[c]);
        }
        grid.setColWidth(9, 1);
        grid.setColWidth(10, 1);
    }

    // Opponent rows: hidden key, name, W, D, L, T, %.
    void fillOpponents(int count) {
        Grid& grid = session.ui.MSFlexResults;
        grid.setCols(7);
        grid.setRows(count);
        for (int r = 0; r < count; ++r) {
            const std::vector<std::string> cells = {"key" + std::to_string(r), "NAME " + std::to_string(r + 1),
                                                    std::to_string(r % 5), "0", "1",
                                                    std::to_string(r % 5 + 1), "50%"};
            for (int c = 0; c < 7; ++c) grid.setText(r, c, cells[c]);
        }
        grid.setColWidth(0, 1);
    }

    std::string tournamentTitle(int page) const {
        return kBlanks20 + kIdBox + " TOURNAMENT RESULTS  as of " + kToday + "  Page " + std::to_string(page);
    }
    std::string individualTitle(int page) const {
        return kBlanks20 + kIdBox + " INDIVIDUAL RESULTS  as of " + kToday + "  Page " + std::to_string(page);
    }
    std::vector<std::string> tournamentHeading(int page) const {
        return {tournamentTitle(page), "", "[@5250]RATINGS", kTournamentColumns};
    }
    std::vector<std::string> individualHeading(int page) const {
        return {individualTitle(page), "", kIndividualColumns};
    }
    std::string gameLine(int number) const {
        const int r = number - 1;
        return kBlanks20 + std::to_string(number) + ". " + std::to_string(20000000 + r) + kGap + "PLAYER " +
               std::to_string(number) + kGap + "[@5000] 1" + kGap + std::to_string(1500 + r) + kGap + "1400" +
               kGap + std::to_string(100 + r) + kGap + "1510" + kGap + "20240101" + kGap + "OPEN " +
               std::to_string(number) + kGap;
    }
};

// A sheet's first lines.
std::vector<std::string> head(const std::vector<std::string>& sheet, std::size_t n) {
    return {sheet.begin(), sheet.begin() + static_cast<std::ptrdiff_t>(std::min(n, sheet.size()))};
}

}  // namespace

// ---- tournament view ---------------------------------------------------------

TEST_F(PrintoutFixture, TournamentHeadingAndGameLinesAreExact) {
    fillGames(2);
    printTournamentView(session, printer, kToday);

    EXPECT_TRUE(printer.landscape());
    EXPECT_EQ(printer.ops.front().kind, "landscape");
    EXPECT_TRUE(printer.ended());
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    const std::vector<std::string> expected = {"",           kTournamentTitle1, "", "[@5250]RATINGS",
                                               kTournamentColumns, gameLine(1), gameLine(2)};
    EXPECT_EQ(sheets[0], expected);
}

TEST_F(PrintoutFixture, TournamentFortyGamesLeaveASecondSheetWithOnlyItsHeading) {
    fillGames(40);
    printTournamentView(session, printer, kToday);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 2u);
    ASSERT_EQ(sheets[0].size(), 1u + 4u + 40u);
    EXPECT_EQ(sheets[0].front(), "");
    EXPECT_EQ(sheets[0].back(), gameLine(40));
    EXPECT_EQ(sheets[1], tournamentHeading(2));
}

TEST_F(PrintoutFixture, TournamentFortyOneGamesNumberOnAcrossSheets) {
    fillGames(41);
    printTournamentView(session, printer, kToday);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 2u);
    std::vector<std::string> expected = tournamentHeading(2);
    expected.push_back(gameLine(41));
    EXPECT_EQ(sheets[1], expected);
}

TEST_F(PrintoutFixture, TournamentWithoutGamesPrintsTheHeadingOnly) {
    printTournamentView(session, printer, kToday);  // a grid never filled: no rows, no columns
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    std::vector<std::string> expected = {""};
    for (const auto& line : tournamentHeading(1)) expected.push_back(line);
    EXPECT_EQ(sheets[0], expected);
}

TEST_F(PrintoutFixture, TournamentFollowsTheGridsCurrentSortAndSkipsHiddenColumns) {
    fillGames(3);
    Grid& grid = session.ui.MSFlexSort;
    grid.setCol(5);  // DIF, as its sort button does
    grid.sort(kSortNumericDescending);
    printTournamentView(session, printer, kToday);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets[0].size(), 8u);
    // Largest difference first; the row numbers count the printed lines.
    EXPECT_EQ(sheets[0][5].rfind(kBlanks20 + "1. 20000002     PLAYER 3     ", 0), 0u) << sheets[0][5];
    EXPECT_EQ(sheets[0][7].rfind(kBlanks20 + "3. 20000000     PLAYER 1     ", 0), 0u) << sheets[0][7];
    for (const auto& line : sheets[0]) {
        EXPECT_EQ(line.find("202401010001.0-"), std::string::npos) << line;
        EXPECT_EQ(line.find("OPEN 3     PLAYER"), std::string::npos) << line;
    }
}

TEST_F(PrintoutFixture, TournamentLongNameGoesBackToTheScorePosition) {
    fillGames(1);
    const std::string longName(80, 'X');
    session.ui.MSFlexSort.setText(0, 1, longName);
    printTournamentView(session, printer, kToday);
    const std::string line = printer.pages()[0].back();
    EXPECT_NE(line.find(longName + kGap + "[@5000] 1" + kGap), std::string::npos) << line;
}

// ---- individual results ---------------------------------------------------------

TEST_F(PrintoutFixture, IndividualHeadingAndRowsAreExactWithoutTheSortKey) {
    fillOpponents(2);
    printIndividualResults(session, printer, kToday);
    EXPECT_FALSE(printer.landscape());
    EXPECT_TRUE(printer.ended());
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    const std::vector<std::string> expected = {
        "", individualTitle(1), "", kIndividualColumns,
        kBlanks20 + "1. NAME 1" + kGap + "[@5000]0" + kGap + "0" + kGap + "1" + kGap + "1" + kGap + "50%" + kGap,
        kBlanks20 + "2. NAME 2" + kGap + "[@5000]1" + kGap + "0" + kGap + "1" + kGap + "2" + kGap + "50%" + kGap};
    EXPECT_EQ(sheets[0], expected);
}

TEST_F(PrintoutFixture, IndividualSixtyAndSixtyOneOpponents) {
    fillOpponents(60);
    printIndividualResults(session, printer, kToday);
    Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].size(), 1u + 3u + 60u);
    EXPECT_EQ(head(sheets[0], 4), (std::vector<std::string>{"", individualTitle(1), "", kIndividualColumns}));
    EXPECT_EQ(sheets[1], individualHeading(2));

    printer.ops.clear();
    fillOpponents(61);
    printIndividualResults(session, printer, kToday);
    sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 2u);
    ASSERT_EQ(sheets[1].size(), 4u);
    EXPECT_EQ(head(sheets[1], 3), individualHeading(2));
    EXPECT_EQ(sheets[1][3].rfind(kBlanks20 + "61. NAME 61     [@5000]", 0), 0u) << sheets[1][3];
}

TEST_F(PrintoutFixture, IndividualFollowsASortByWins) {
    fillOpponents(5);  // wins 0, 1, 2, 3, 4
    Grid& grid = session.ui.MSFlexResults;
    grid.setCol(2);
    grid.sort(kSortNumericDescending);
    printIndividualResults(session, printer, kToday);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets[0].size(), 9u);
    EXPECT_EQ(sheets[0][4].rfind(kBlanks20 + "1. NAME 5     [@5000]4     ", 0), 0u) << sheets[0][4];
    EXPECT_EQ(sheets[0][8].rfind(kBlanks20 + "5. NAME 1     [@5000]0     ", 0), 0u) << sheets[0][8];
    for (const auto& line : sheets[0]) EXPECT_EQ(line.find("key"), std::string::npos) << line;
}

TEST_F(PrintoutFixture, IndividualWithoutOpponentsPrintsPageOneHeadingOnly) {
    printIndividualResults(session, printer, kToday);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0], (std::vector<std::string>{"", individualTitle(1), "", kIndividualColumns}));
}

// ---- digest ---------------------------------------------------------------------

TEST_F(PrintoutFixture, DigestWithEmptyTextIsOneSheet) {
    session.ui.txtResults.clear();
    printDigest(session, printer);
    EXPECT_TRUE(printer.ended());
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0], (std::vector<std::string>{"", kIdBox, "", ""}));
}

TEST_F(PrintoutFixture, DigestPrintsEveryLineKeepingEmptyOnesAndTheFinalLineEnd) {
    session.ui.txtResults = "This is data\r\n\r\nBest = 1800\r\n";
    printDigest(session, printer);
    const Sheets sheets = printer.pages();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0], (std::vector<std::string>{"", kIdBox, "", "This is data", "", "Best = 1800", ""}));
    EXPECT_EQ(printer.ops[printer.ops.size() - 2].kind, "page");
}

TEST_F(PrintoutFixture, DigestKeepsEightBitBytes) {
    session.ui.txtResults = std::string("M\xFCller \xE9t\xE9");
    printDigest(session, printer);
    EXPECT_EQ(printer.pages()[0].back(), std::string("M\xFCller \xE9t\xE9"));
}

// ---- the recording itself --------------------------------------------------------

TEST(RecordingPrinterTest, NewPageCountsOnlyWhenSomethingFollows) {
    RecordingPrinter printer;
    printer.printLine("a");
    printer.newPage();
    printer.newPage();
    printer.printText("b");
    printer.printLine("c");
    printer.newPage();
    printer.endDocument();
    printer.printLine("after the end");
    EXPECT_EQ(printer.pages(), (Sheets{{"a"}, {}, {"bc"}}));
}

#include "tournament/tournament_printout.h"

#include "platform/grid.h"
#include "platform/paged_printout.h"
#include "platform/printer.h"
#include "session/session.h"

namespace krv {

namespace {

constexpr int kGamesPerPage = 40;
constexpr int kScorePositionTwips = 5000;
constexpr int kRatingsPositionTwips = 5250;
// The last two grid columns are the hidden name sort key and the crosstable
// file name; they mean nothing on paper.
constexpr int kHiddenTrailingColumns = 2;
const std::string kIndent(20, ' ');
const std::string kCellGap(5, ' ');

void printHeading(Printer& printer, const std::string& idBoxText, const std::string& today, int page) {
    printer.printLine(kIndent + idBoxText + " TOURNAMENT RESULTS  as of " + today + "  Page " + std::to_string(page));
    printer.emptyLine();
    printer.setPositionTwips(kRatingsPositionTwips);
    printer.printLine("RATINGS");
    printer.printText(
        "                        USCF#         Opponent"
        "                                            Results");
    printer.setPositionTwips(kRatingsPositionTwips);
    printer.printLine("SEL      OPP      DIF      POST      DATE             TOURNAMENT NAME");
}

void printGameLine(Printer& printer, const Grid& grid, int row) {
    printer.printText(kIndent + std::to_string(row + 1) + ". ");
    const int printedColumns = grid.cols() - kHiddenTrailingColumns;
    for (int col = 0; col < printedColumns; ++col) {
        printer.printText(grid.text(row, col) + kCellGap);
        // Back to the score column even when a long name ran past it, so
        // the numbers of every line start at the same place.
        if (col == 1) printer.setPositionTwips(kScorePositionTwips);
    }
    printer.printLine("");
}

}  // namespace

void printTournamentView(KrvSession& session, Printer& printer, const std::string& today) {
    const Grid& grid = session.ui.MSFlexSort;
    const std::string idBoxText = session.ui.CmbID;
    printer.setLandscape();

    printRowsInPages(
        printer, grid.rows(), kGamesPerPage, [&](int page) { printHeading(printer, idBoxText, today, page); },
        [&](int row) { printGameLine(printer, grid, row); });
}

}  // namespace krv

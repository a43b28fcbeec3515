#include "individual/individual_printout.h"

#include "platform/grid.h"
#include "platform/paged_printout.h"
#include "platform/printer.h"
#include "session/session.h"

namespace krv {

namespace {

constexpr int kOpponentsPerPage = 60;
constexpr int kNumbersPositionTwips = 5000;
const std::string kIndent(20, ' ');
const std::string kCellGap(5, ' ');

void printHeading(Printer& printer, const std::string& idBoxText, const std::string& today, int page) {
    printer.printLine(kIndent + idBoxText + " INDIVIDUAL RESULTS  as of " + today + "  Page " + std::to_string(page));
    printer.emptyLine();
    printer.printText("                     Opponent");
    printer.setPositionTwips(kNumbersPositionTwips);
    printer.printLine("W   D    L    T       +%");
}

// Column 0 is the hidden surname-first sort key; the line starts with the
// name as shown.
void printOpponentLine(Printer& printer, const Grid& grid, int row) {
    printer.printText(kIndent + std::to_string(row + 1) + ". ");
    for (int col = 1; col < grid.cols(); ++col) {
        printer.printText(grid.text(row, col) + kCellGap);
        if (col == 1) printer.setPositionTwips(kNumbersPositionTwips);
    }
    printer.printLine("");
}

}  // namespace

void printIndividualResults(KrvSession& session, Printer& printer, const std::string& today) {
    const Grid& grid = session.ui.MSFlexResults;
    const std::string idBoxText = session.ui.CmbID;

    printRowsInPages(
        printer, grid.rows(), kOpponentsPerPage, [&](int page) { printHeading(printer, idBoxText, today, page); },
        [&](int row) { printOpponentLine(printer, grid, row); });
}

}  // namespace krv

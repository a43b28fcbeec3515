#include "platform/paged_printout.h"

#include "platform/printer.h"

namespace krv {

void printRowsInPages(Printer& printer, int rowCount, int rowsPerPage, const std::function<void(int)>& heading,
                      const std::function<void(int)>& row) {
    int page = 1;
    printer.emptyLine();
    heading(page);
    int linesOnPage = 0;
    for (int i = 0; i < rowCount; ++i) {
        ++linesOnPage;
        row(i);
        if (linesOnPage == rowsPerPage) {
            linesOnPage = 0;
            printer.newPage();
            heading(++page);
        }
    }
    printer.newPage();
    printer.endDocument();
}

}  // namespace krv

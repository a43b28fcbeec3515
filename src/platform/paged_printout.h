// The page layout the grid printouts share: a heading on every page, a
// fixed number of rows per page, and the page break taken right after the
// last row of a page (so a full last page is followed by a page holding
// only its heading).
#pragma once

#include <functional>

namespace krv {
class Printer;

// heading(page) prints the heading of page 1, 2, ...; row(i) prints row i.
// The first page starts with one empty line; the document is ended after
// the last row.
void printRowsInPages(Printer& printer, int rowCount, int rowsPerPage, const std::function<void(int)>& heading,
                      const std::function<void(int)>& row);

}  // namespace krv

// The grid: a table of text cells that every table of the program uses, and
// the program's only sorting machinery. Row 0 holds data (no header rows).
// The desktop program shows a grid through a table-model adapter; the core
// reads and writes it directly.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// Sort codes, as stored in the settings file.
enum SortCode : int {
    kSortNone = 0,
    kSortGenericAscending = 1,  // as numbers when both cells are numbers, else as text
    kSortGenericDescending = 2,
    kSortNumericAscending = 3,  // by numeric value ("UnR" is 0)
    kSortNumericDescending = 4,
    kSortTextAscending = 5,  // case ignored
    kSortTextDescending = 6,
};

enum class CellAlignment { General, Centre };

class Grid {
public:
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    // Changing a count keeps the cells that still fit; new cells are empty.
    void setRows(int rows);
    void setCols(int cols);

    const std::string& text(int row, int col) const;  // empty outside the table
    // The text is copied into the cell's storage, which a table filled
    // again reuses.
    void setText(int row, int col, std::string_view text);
    // Sets a whole row at once, from column 0 on; a table filled row by row
    // pays for the checks once per row rather than once per cell.
    void setRowTexts(int row, std::initializer_list<std::string_view> texts);
    // The cell's numeric value (numericValue of its text), 0 outside the
    // table. Worked out once per cell until the cell changes.
    double number(int row, int col) const;

    int row() const { return row_; }
    int col() const { return col_; }
    void setRow(int row) { row_ = row; }
    void setCol(int col) { col_ = col; }

    // Widths in twips; a width of 1 hides a sort-key column.
    int colWidth(int col) const;
    void setColWidth(int col, int twips);
    bool isColHidden(int col) const { return colWidth(col) <= 1; }
    CellAlignment colAlignment(int col) const;
    void setColAlignment(int col, CellAlignment alignment);

    int width() const { return width_; }
    void setWidth(int twips) { width_ = twips; }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

    // Reorders all rows, keyed on the current column alone. Rows with equal
    // keys keep their order. Code 0 (or an unknown code) leaves the order.
    void sort(int code);

    // The column and code of the last sort, while the rows still stand in
    // its order (no cell, row or column changed since): what a view's
    // sort indicator shows.
    struct SortOrder {
        int column;
        int code;
    };
    std::optional<SortOrder> currentSort() const {
        if (sortRevision_ != revision_) return std::nullopt;
        return lastSort_;
    }

    // Counts structural changes (row/column counts, sorts, cell writes), so
    // a view can tell cheaply whether it has to refresh.
    unsigned long revision() const { return revision_; }

private:
    std::vector<int> sortedOrder(int code) const;

    int rows_ = 0;
    int cols_ = 0;
    std::string& cell(int row, int col) { return cells_[static_cast<std::size_t>(order_[row]) * cols_ + col]; }
    const std::string& cell(int row, int col) const {
        return cells_[static_cast<std::size_t>(order_[row]) * cols_ + col];
    }
    // Puts the cells back in shown order, so the block can be resized.
    void settleOrder();

    // A column's cells read as numbers, in block order. Sorts and counts
    // read the same columns again and again; each cell is read once.
    struct ColumnNumbers {
        bool valid = false;
        std::vector<double> value;   // numericValue of each cell
        std::vector<char> isNumber;  // isNumberText of each cell
    };
    const ColumnNumbers& columnNumbers(int col) const;
    void forgetNumbers();

    // The cells, row after row in one block: a table of thousands of rows is
    // one allocation, not one per row. order_[r] is the block row shown as
    // row r, so a sort reorders numbers and never moves a cell.
    std::vector<std::string> cells_;
    std::vector<int> order_;
    mutable std::vector<ColumnNumbers> numbers_;
    std::vector<int> widths_;
    std::vector<CellAlignment> alignments_;
    int row_ = 0;
    int col_ = 0;
    int width_ = 0;
    bool visible_ = true;
    unsigned long revision_ = 0;
    SortOrder lastSort_{0, 0};
    unsigned long sortRevision_ = ~0UL;
};

// Orders two cells as the given sort code does ascending: negative, zero or
// positive. Exposed for tests; the comparison for each code is a strict
// weak order.
int compareCells(int code, const std::string& a, const std::string& b);

}  // namespace krv

#include "platform/grid.h"

#include <algorithm>
#include <numeric>

#include "platform/text.h"

namespace krv {

namespace {
const std::string kEmpty;

int compareNumbers(double a, double b) { return a < b ? -1 : (b < a ? 1 : 0); }

int compareBytes(const std::string& a, const std::string& b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// Generic order: numbers compare by value, texts compare as texts
// (case-sensitive), and every number comes before every text. Comparing a
// number with a text as texts would not be a consistent order ("9" < "10"
// by value, "10" < "1A" < "9" as text), so mixed pairs are placed by kind.
int compareGeneric(const std::string& a, const std::string& b) {
    bool an = isNumberText(a), bn = isNumberText(b);
    if (an && bn) return compareNumbers(numericValue(a), numericValue(b));
    if (an != bn) return an ? -1 : 1;
    return compareBytes(a, b);
}
}  // namespace

int compareCells(int code, const std::string& a, const std::string& b) {
    switch (code) {
        case kSortGenericAscending:
        case kSortGenericDescending:
            return compareGeneric(a, b);
        case kSortNumericAscending:
        case kSortNumericDescending:
            return compareNumbers(numericValue(a), numericValue(b));
        case kSortTextAscending:
        case kSortTextDescending:
            return compareNoCase(a, b);
        default:
            return 0;
    }
}

void Grid::setRows(int rows) {
    rows = std::max(rows, 0);
    cells_.resize(rows, std::vector<std::string>(cols_));
    rows_ = rows;
    ++revision_;
}

void Grid::setCols(int cols) {
    cols = std::max(cols, 0);
    for (auto& row : cells_) row.resize(cols);
    cols_ = cols;
    widths_.resize(cols, 0);
    alignments_.resize(cols, CellAlignment::General);
    ++revision_;
}

const std::string& Grid::text(int row, int col) const {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return kEmpty;
    return cells_[row][col];
}

void Grid::setText(int row, int col, std::string text) {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return;
    cells_[row][col] = std::move(text);
    ++revision_;
}

int Grid::colWidth(int col) const {
    return (col >= 0 && col < cols_) ? widths_[col] : 0;
}

void Grid::setColWidth(int col, int twips) {
    if (col >= 0 && col < cols_) widths_[col] = twips;
}

CellAlignment Grid::colAlignment(int col) const {
    return (col >= 0 && col < cols_) ? alignments_[col] : CellAlignment::General;
}

void Grid::setColAlignment(int col, CellAlignment alignment) {
    if (col >= 0 && col < cols_) alignments_[col] = alignment;
}

void Grid::sort(int code) {
    if (code < kSortGenericAscending || code > kSortTextDescending) return;
    if (col_ < 0 || col_ >= cols_ || rows_ < 2) return;
    const bool descending = code == kSortGenericDescending || code == kSortNumericDescending ||
                            code == kSortTextDescending;
    std::vector<int> order(rows_);
    std::iota(order.begin(), order.end(), 0);
    // Keys are worked out once per row, not once per comparison.
    const bool numeric = code == kSortNumericAscending || code == kSortNumericDescending;
    const bool generic = code == kSortGenericAscending || code == kSortGenericDescending;
    std::vector<double> numbers;
    std::vector<char> isNumber;
    if (numeric || generic) {
        numbers.resize(rows_);
        isNumber.resize(rows_, 1);
        for (int r = 0; r < rows_; ++r) {
            const std::string& cell = cells_[r][col_];
            if (generic) isNumber[r] = isNumberText(cell);
            numbers[r] = numericValue(cell);
        }
    }
    auto compareRows = [&](int a, int b) {
        if (numeric || (generic && isNumber[a] && isNumber[b])) return compareNumbers(numbers[a], numbers[b]);
        if (generic && isNumber[a] != isNumber[b]) return isNumber[a] ? -1 : 1;
        return compareCells(code, cells_[a][col_], cells_[b][col_]);
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int c = compareRows(a, b);
        return descending ? c > 0 : c < 0;
    });
    std::vector<std::vector<std::string>> sorted;
    sorted.reserve(rows_);
    for (int r : order) sorted.push_back(std::move(cells_[r]));
    cells_ = std::move(sorted);
    ++revision_;
}

}  // namespace krv

#include "platform/grid.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <utility>

#include "platform/text.h"

namespace krv {

namespace {
const std::string kEmpty;
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;

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

const Grid::ColumnNumbers& Grid::columnNumbers(int col) const {
    if (numbers_.size() != static_cast<std::size_t>(cols_)) numbers_.assign(cols_, ColumnNumbers{});
    ColumnNumbers& column = numbers_[col];
    if (!column.valid) {
        column.value.resize(rows_);
        column.isNumber.resize(rows_);
        for (int b = 0; b < rows_; ++b) {
            const std::string& text = cells_[static_cast<std::size_t>(b) * cols_ + col];
            column.value[b] = numericValue(text);
            column.isNumber[b] = isNumberText(text);
        }
        column.valid = true;
    }
    return column;
}

void Grid::forgetNumbers() {
    for (auto& column : numbers_) column.valid = false;
}

double Grid::number(int row, int col) const {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return 0;
    return columnNumbers(col).value[order_[row]];
}

void Grid::settleOrder() {
    bool inOrder = true;
    for (int r = 0; r < rows_ && inOrder; ++r) inOrder = order_[r] == r;
    if (inOrder) return;
    std::vector<std::string> settled(static_cast<std::size_t>(rows_) * cols_);
    auto to = settled.begin();
    for (int r = 0; r < rows_; ++r) {
        const auto from = cells_.begin() + static_cast<std::ptrdiff_t>(order_[r]) * cols_;
        to = std::move(from, from + cols_, to);
    }
    std::move(settled.begin(), settled.end(), cells_.begin());
    std::iota(order_.begin(), order_.end(), 0);
}

void Grid::setRows(int rows) {
    rows = std::max(rows, 0);
    forgetNumbers();
    if (rows > 0) settleOrder();
    // Cells beyond the rows are kept as spares: a table filled again (the
    // next analysis) writes into their storage instead of allocating anew.
    const std::size_t live = static_cast<std::size_t>(rows_) * cols_;
    const std::size_t needed = static_cast<std::size_t>(rows) * cols_;
    for (std::size_t i = live; i < std::min(needed, cells_.size()); ++i) cells_[i].clear();
    if (needed > cells_.size()) cells_.resize(needed);
    order_.resize(rows);
    for (int r = rows_; r < rows; ++r) order_[r] = r;
    rows_ = rows;
    ++revision_;
}

void Grid::setCols(int cols) {
    cols = std::max(cols, 0);
    forgetNumbers();
    if (cols != cols_) {
        std::vector<std::string> resized(static_cast<std::size_t>(rows_) * cols);
        const int kept = std::min(cols, cols_);
        for (int r = 0; r < rows_; ++r)
            for (int c = 0; c < kept; ++c) resized[static_cast<std::size_t>(r) * cols + c] = std::move(cell(r, c));
        cells_ = std::move(resized);
        std::iota(order_.begin(), order_.end(), 0);
    }
    cols_ = cols;
    widths_.resize(cols, 0);
    alignments_.resize(cols, CellAlignment::General);
    ++revision_;
}

const std::string& Grid::text(int row, int col) const {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return kEmpty;
    return cell(row, col);
}

void Grid::setText(int row, int col, std::string_view text) {
    if (row < 0 || col < 0 || row >= rows_ || col >= cols_) return;
    cell(row, col).assign(text);
    if (static_cast<std::size_t>(col) < numbers_.size()) numbers_[col].valid = false;
    ++revision_;
}

void Grid::setRowTexts(int row, std::initializer_list<std::string_view> texts) {
    if (row < 0 || row >= rows_) return;
    int col = 0;
    for (std::string_view text : texts) {
        if (col == cols_) break;
        cell(row, col++).assign(text);
    }
    for (int c = 0; c < col && c < static_cast<int>(numbers_.size()); ++c) numbers_[c].valid = false;
    ++revision_;
}

int Grid::colWidth(int col) const { return (col >= 0 && col < cols_) ? widths_[col] : 0; }

void Grid::setColWidth(int col, int twips) {
    if (col >= 0 && col < cols_) widths_[col] = twips;
}

CellAlignment Grid::colAlignment(int col) const {
    return (col >= 0 && col < cols_) ? alignments_[col] : CellAlignment::General;
}

void Grid::setColAlignment(int col, CellAlignment alignment) {
    if (col >= 0 && col < cols_) alignments_[col] = alignment;
}

namespace {

// A row's sort key, worked out once per row rather than once per
// comparison, and sorted together with its row number.
struct CellKey {
    bool isNumber;
    double number;
    const std::string* text;
    int row;
};

// Numbers come before texts; texts compare case-blind for the text codes
// and byte by byte for the generic ones.
int compareKeys(const CellKey& a, const CellKey& b, bool ignoreCase) {
    if (a.isNumber != b.isNumber) return a.isNumber ? -1 : 1;
    if (a.isNumber) return compareNumbers(a.number, b.number);
    return ignoreCase ? compareNoCase(*a.text, *b.text) : compareBytes(*a.text, *b.text);
}

// A number as an unsigned key in the same order: the sign bit set for a
// positive number, every bit flipped for a negative one. Both zeros are one
// key, as they compare equal.
std::uint64_t orderedBits(double number) {
    if (number == 0) number = 0;
    std::uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    return (bits & kSignBit) ? ~bits : (bits | kSignBit);
}

// The order of the keys by a least-significant-byte-first radix sort, which
// keeps equal keys in their order. Bytes that every key shares (most of
// them, for ratings, dates and IDs) are skipped.
std::vector<int> radixOrder(const std::vector<std::uint64_t>& keys) {
    const int n = static_cast<int>(keys.size());
    std::vector<int> order(n), next(n);
    std::iota(order.begin(), order.end(), 0);
    std::uint64_t differing = 0;
    for (std::uint64_t key : keys) differing |= key ^ keys.front();
    for (int d = 0; d < 8; ++d) {
        if (((differing >> (8 * d)) & 0xFF) == 0) continue;
        std::array<int, 256> count{};
        for (std::uint64_t key : keys) ++count[(key >> (8 * d)) & 0xFF];
        int start = 0;
        for (int& c : count) start += std::exchange(c, start);
        for (int row : order) next[count[(keys[row] >> (8 * d)) & 0xFF]++] = row;
        order.swap(next);
    }
    return order;
}

std::vector<int> numberOrder(const std::vector<double>& numbers, bool descending) {
    std::vector<std::uint64_t> keys(numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i)
        keys[i] = descending ? ~orderedBits(numbers[i]) : orderedBits(numbers[i]);
    return radixOrder(keys);
}

std::vector<int> cellOrder(std::vector<CellKey> keys, bool descending, bool ignoreCase) {
    std::stable_sort(keys.begin(), keys.end(), [&](const CellKey& a, const CellKey& b) {
        const int c = compareKeys(a, b, ignoreCase);
        return descending ? c > 0 : c < 0;
    });
    std::vector<int> order(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].row;
    return order;
}

}  // namespace

std::vector<int> Grid::sortedOrder(int code) const {
    const bool descending =
        code == kSortGenericDescending || code == kSortNumericDescending || code == kSortTextDescending;
    const bool numeric = code == kSortNumericAscending || code == kSortNumericDescending;
    const bool generic = code == kSortGenericAscending || code == kSortGenericDescending;
    const ColumnNumbers& column = columnNumbers(col_);
    bool allNumbers = true;
    if (!numeric)
        for (int r = 0; r < rows_ && allNumbers; ++r) allNumbers = generic && column.isNumber[r];
    if (allNumbers) {
        // A column of numbers alone, the usual case, sorts on smaller keys.
        std::vector<double> numbers(rows_);
        for (int r = 0; r < rows_; ++r) numbers[r] = column.value[order_[r]];
        return numberOrder(numbers, descending);
    }
    std::vector<CellKey> keys(rows_);
    for (int r = 0; r < rows_; ++r) {
        const int b = order_[r];
        const bool isNumber = generic && column.isNumber[b];
        keys[r] = {isNumber, column.value[b], &cell(r, col_), r};
    }
    return cellOrder(std::move(keys), descending, !generic);
}

void Grid::sort(int code) {
    if (code < kSortGenericAscending || code > kSortTextDescending) return;
    if (col_ < 0 || col_ >= cols_) return;
    // Recorded before the work, so that a grid of one row, which has
    // nothing to reorder, also counts as sorted.
    lastSort_ = {col_, code};
    sortRevision_ = revision_;
    if (rows_ < 2) return;
    const std::vector<int> shownOrder = sortedOrder(code);
    std::vector<int> order(rows_);
    for (int r = 0; r < rows_; ++r) order[r] = order_[shownOrder[r]];
    order_ = std::move(order);
    ++revision_;
    sortRevision_ = revision_;
}

}  // namespace krv

#include <gtest/gtest.h>

#include "platform/grid.h"

using namespace krv;

namespace {
// A one-column grid with a row tag in column 1, to see where each row went.
Grid column(const std::vector<std::string>& cells) {
    Grid g;
    g.setCols(2);
    g.setRows(static_cast<int>(cells.size()));
    for (int r = 0; r < g.rows(); ++r) {
        g.setText(r, 0, cells[r]);
        g.setText(r, 1, std::to_string(r));
    }
    g.setCol(0);
    return g;
}

std::vector<std::string> tags(const Grid& g) {
    std::vector<std::string> out;
    for (int r = 0; r < g.rows(); ++r) out.push_back(g.text(r, 1));
    return out;
}
}  // namespace

TEST(GridSort, NumericDescendingPutsUnratedLastAndKeepsTies) {
    Grid g = column({"UnR", "1500", "-150", " .5", "1500", "1641P17"});
    g.sort(kSortNumericDescending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"5", "1", "4", "3", "0", "2"}));
    g = column({"UnR", "1500", "-150", " .5", "1500", "0"});
    g.sort(kSortNumericAscending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"2", "0", "5", "3", "1", "4"}));
}

TEST(GridSort, NegativeFractionalAndLargeNumbersAndBothZeros) {
    const std::vector<std::string> cells{"0", "-0", "-2.5", "-10", "3000000000", ".25", "0"};
    Grid g = column(cells);
    g.sort(kSortNumericAscending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"3", "2", "0", "1", "6", "5", "4"}));
    g = column(cells);
    g.sort(kSortNumericDescending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"4", "5", "0", "1", "6", "2", "3"}));
}

TEST(GridSort, SortsFollowTheCellsAsTheyChangeAndResizingKeepsTheShownOrder) {
    Grid g = column({"3", "1", "2"});
    g.sort(kSortNumericAscending);
    g.setText(0, 0, "5");
    EXPECT_EQ(g.number(0, 0), 5);
    g.sort(kSortNumericAscending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"2", "0", "1"}));
    g.setRows(2);
    g.setCols(3);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"2", "0"}));
    EXPECT_EQ(g.text(0, 0), "2");
    g.setRows(3);
    EXPECT_EQ(g.text(2, 0), "");
    EXPECT_EQ(g.number(2, 0), 0);
    g.sort(kSortNumericDescending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"0", "2", ""}));
}

TEST(GridModel, RowsAddedAgainAreEmpty) {
    Grid g = column({"3", "1", "2"});
    g.sort(kSortNumericAscending);
    g.setRows(1);
    g.setRows(2);
    EXPECT_EQ(g.text(0, 0), "1");
    EXPECT_EQ(g.text(1, 0), "");
    g.setRows(0);
    g.setRows(3);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(g.text(r, 0) + g.text(r, 1), "") << r;
    EXPECT_EQ(g.number(2, 0), 0);
}

TEST(GridSort, TextSortsIgnoreCaseAndAreStable) {
    Grid g = column({"smith", "Adams", "SMITH", "adams", "Brown"});
    g.sort(kSortTextAscending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"1", "3", "4", "0", "2"}));
    g = column({"smith", "Adams", "SMITH", "adams", "Brown"});
    g.sort(kSortTextDescending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"0", "2", "4", "1", "3"}));
}

TEST(GridSort, GenericComparesNumbersByValueAndTextsAsText) {
    Grid g = column({"10", "9", "UnR", "-150", "abc", "9"});
    g.sort(kSortGenericAscending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"3", "1", "5", "0", "2", "4"}));
    g = column({"10", "9", "UnR", "-150", "abc", "9"});
    g.sort(kSortGenericDescending);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"4", "2", "0", "1", "5", "3"}));
}

TEST(GridSort, GenericOrderIsConsistentForMixedCells) {
    // "9" < "10" by value, "10" < "1A" as text: a sound order must still be
    // transitive, so compareCells must never give a cycle.
    const std::vector<std::string> cells{"9", "10", "1A", "UnR", " .5", "-3", "b", "B"};
    for (const auto& a : cells)
        for (const auto& b : cells)
            for (const auto& c : cells) {
                int ab = compareCells(kSortGenericAscending, a, b);
                int bc = compareCells(kSortGenericAscending, b, c);
                int ac = compareCells(kSortGenericAscending, a, c);
                if (ab < 0 && bc < 0) { EXPECT_LT(ac, 0) << a << " " << b << " " << c; }
                EXPECT_EQ(ab, -compareCells(kSortGenericAscending, b, a));
            }
}

TEST(GridSort, SortKeepsTheCurrentColumnAndCodeZeroChangesNothing) {
    Grid g = column({"3", "1", "2"});
    g.sort(kSortNone);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"0", "1", "2"}));
    g.sort(kSortNumericAscending);
    EXPECT_EQ(g.col(), 0);
    EXPECT_EQ(tags(g), (std::vector<std::string>{"1", "2", "0"}));
}

TEST(GridModel, CellsOutsideTheTableReadEmptyAndCountsResize) {
    Grid g;
    g.setCols(3);
    g.setRows(2);
    g.setText(1, 2, "x");
    EXPECT_EQ(g.text(5, 5), "");
    g.setText(5, 5, "ignored");
    g.setCols(4);
    EXPECT_EQ(g.text(1, 2), "x");
    g.setRows(0);
    EXPECT_EQ(g.rows(), 0);
    g.sort(kSortNumericDescending);  // no rows: nothing to do
    g.setColWidth(3, 1);
    EXPECT_TRUE(g.isColHidden(3));
}

// Small sorts hide an unstable sort: a typical library sort orders up to 16
// elements by insertion, which keeps ties in order by accident. Forty rows
// in four groups of ties take every sort code through its real path.
TEST(GridSort, EveryCodeKeepsTiesInTheirShownOrderOnLargeGrids) {
    const std::vector<std::string> numbers{"1500", "UnR", " 900 ", "1500"};
    const std::vector<std::string> texts{"smith", "Adams", "SMITH", "adams"};
    const std::vector<std::string> mixed{"1500", "Adams", "1500.0", "adams"};
    for (const auto* values : {&numbers, &texts, &mixed}) {
        for (int code = kSortGenericAscending; code <= kSortTextDescending; ++code) {
            std::vector<std::string> cells;
            for (int r = 0; r < 40; ++r) cells.push_back((*values)[(r * 7) % values->size()]);
            Grid g = column(cells);
            g.sort(code);
            const bool descending = code % 2 == 0;
            for (int r = 1; r < g.rows(); ++r) {
                int c = compareCells(code, g.text(r - 1, 0), g.text(r, 0));
                if (descending) c = -c;
                SCOPED_TRACE("code " + std::to_string(code) + ", row " + std::to_string(r));
                ASSERT_LE(c, 0);
                if (c == 0) { ASSERT_LT(std::stoi(g.text(r - 1, 1)), std::stoi(g.text(r, 1))); }
            }
        }
    }
}

// Sorting on a second column keeps the order of the first among its ties:
// ties follow the order shown, not the order the rows were filled in.
TEST(GridSort, ASecondSortKeepsTheFirstSortsOrderAmongItsTies) {
    Grid g;
    g.setCols(3);
    g.setRows(30);
    for (int r = 0; r < 30; ++r) {
        g.setText(r, 0, std::to_string(r % 3));          // three groups
        g.setText(r, 1, std::to_string((r * 11) % 30));  // a distinct key per row
        g.setText(r, 2, std::to_string(r));
    }
    g.setCol(1);
    g.sort(kSortNumericDescending);
    g.setCol(0);
    g.sort(kSortNumericAscending);
    for (int r = 1; r < g.rows(); ++r) {
        const bool sameGroup = g.text(r - 1, 0) == g.text(r, 0);
        if (sameGroup) {
            EXPECT_GT(std::stoi(g.text(r - 1, 1)), std::stoi(g.text(r, 1))) << "row " << r;
        } else {
            EXPECT_LT(std::stoi(g.text(r - 1, 0)), std::stoi(g.text(r, 0))) << "row " << r;
        }
    }
}

// The order a view's sort indicator shows: the last sort, until the rows
// change under it; moving the current cell keeps it.
TEST(GridSort, TheCurrentSortLastsUntilTheCellsChange) {
    Grid g = column({"3", "1", "2"});
    EXPECT_FALSE(g.currentSort());
    g.sort(kSortNone);
    EXPECT_FALSE(g.currentSort());
    g.setCol(1);
    g.sort(kSortNumericDescending);
    ASSERT_TRUE(g.currentSort());
    EXPECT_EQ(g.currentSort()->column, 1);
    EXPECT_EQ(g.currentSort()->code, kSortNumericDescending);
    g.setCol(0);
    g.setRow(2);
    EXPECT_EQ(g.currentSort()->column, 1);
    g.setText(0, 0, "9");
    EXPECT_FALSE(g.currentSort());
    g.sort(kSortTextAscending);
    EXPECT_EQ(g.currentSort()->code, kSortTextAscending);
    g.setRows(4);
    EXPECT_FALSE(g.currentSort());

    Grid one = column({"5"});
    one.sort(kSortNumericAscending);
    EXPECT_TRUE(one.currentSort());
}

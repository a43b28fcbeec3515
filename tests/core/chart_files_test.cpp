#include <gtest/gtest.h>

#include "analysis_test_support.h"
#include "tournament/chart_files.h"

using namespace krv;
using namespace krv::testing;

// Writing the files for real members (and for none) is compared in the
// golden analyses.
TEST(ChartFiles, OneLinePerDateAndTheNewestLineOfEachYear) {
    // Newest first: date (7), pre-event (3) and post-event rating (6). Of the
    // two events on 20070101 the first row in grid order counts.
    const Grid games = gridOf({7, 3, 6}, {{"20071201", "1600", "1620"},
                                          {"20071201", "1600", "1620"},
                                          {"20070505", "1580", "1600"},
                                          {"20070101", "1590", "1580"},
                                          {"20070101", "1575", "1590"},
                                          {"20060303", "UnR", "1575"}});
    const ChartFileTexts files = buildChartFiles(games);
    EXPECT_EQ(files.allChart,
              " 20071201 , 1600 , 1620 \r\n"
              " 20070505 , 1580 , 1600 \r\n"
              " 20070101 , 1590 , 1580 \r\n"
              " 20060303 ,UnR, 1575 \r\n");
    // The year file's date is bare; its ratings print as numbers.
    EXPECT_EQ(files.yearChart,
              "20071201, 1600 , 1620 \r\n"
              "20060303,UnR, 1575 \r\n");
}

TEST(ChartFiles, CellsAreReadAsTheirLinesReadBack) {
    // Blanks around a cell are dropped.
    EXPECT_EQ(buildChartFiles(gridOf({7, 3, 6}, {{" 20071201 ", "1600 ", "\t1620"}})).allChart,
              " 20071201 , 1600 , 1620 \r\n");
    // A comma in a cell makes one more field, and the fields run on into the
    // next record; the incomplete last record is dropped.
    const ChartFileTexts files =
        buildChartFiles(gridOf({7, 3, 6}, {{"20071201", "1600,5", "1620"}, {"20070505", " 1580 ", "1600"}}));
    EXPECT_EQ(files.allChart, " 20071201 , 1600 , 5 \r\n 1620 , 20070505 , 1580 \r\n");
    EXPECT_EQ(files.yearChart, "20071201, 1600 , 5 \r\n1620, 20070505 , 1580 \r\n");
}

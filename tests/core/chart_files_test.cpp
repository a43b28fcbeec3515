#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "analysis_test_support.h"
#include "platform/grid.h"
#include "tournament/chart_files.h"

using namespace krv;
using namespace krv::testing;

namespace {

// A tournament grid already sorted newest first, with only the columns the
// chart files read: date (7), pre-event rating (3), post-event rating (6).
Grid gamesNewestFirst(const std::vector<std::array<std::string, 3>>& rows) {
    Grid g;
    g.setCols(11);
    g.setRows(static_cast<int>(rows.size()));
    for (int r = 0; r < g.rows(); ++r) {
        g.setText(r, 7, rows[r][0]);
        g.setText(r, 3, rows[r][1]);
        g.setText(r, 6, rows[r][2]);
    }
    return g;
}

}  // namespace

TEST(ChartFiles, OneLinePerDateAndTheNewestLineOfEachYear) {
    const Grid games = gamesNewestFirst({
        {"20071201", "1600", "1620"},
        {"20071201", "1600", "1620"},   // a second game of the same event
        {"20070505", "1580", "1600"},
        {"20070101", "1590", "1580"},   // two events on one date: the first row in grid order counts
        {"20070101", "1575", "1590"},
        {"20060303", "UnR", "1575"},
    });
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

TEST(ChartFiles, OneYearGivesOneYearLineAndNoGamesGiveEmptyFiles) {
    const ChartFileTexts oneYear = buildChartFiles(gamesNewestFirst({{"20050901", "1500", "1510"},
                                                                     {"20050315", "1490", "1500"}}));
    EXPECT_EQ(oneYear.yearChart, "20050901, 1500 , 1510 \r\n");

    const ChartFileTexts none = buildChartFiles(gamesNewestFirst({}));
    EXPECT_EQ(none.allChart, "");
    EXPECT_EQ(none.yearChart, "");
}

using ChartFilesOnDisk = AnalysisFixture;

TEST_F(ChartFilesOnDisk, AnalysisWritesBothFilesAndLeavesNoWorkFile) {
    writeBytes(results() + "tempChart.txt", "left by an interrupted run");
    writeGames({gameRecord("10000001", "ANNA APPLE", " 1", "1500", "1700", "1510", "20050315"),
                gameRecord("20000002", "BOB BAKER", " 0", "1510", "1400", "1490", "20060101")});
    sortData();
    EXPECT_EQ(resultFile("allChart.txt"), " 20060101 , 1510 , 1490 \r\n 20050315 , 1500 , 1510 \r\n");
    EXPECT_EQ(resultFile("yearChart.txt"), "20060101, 1510 , 1490 \r\n20050315, 1500 , 1510 \r\n");
    EXPECT_FALSE(std::filesystem::exists(results() + "tempChart.txt"));
}

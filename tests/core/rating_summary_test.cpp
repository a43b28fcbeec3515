#include <gtest/gtest.h>

#include "analysis_test_support.h"

using namespace krv;
using namespace krv::testing;

namespace {

struct RatingSummaryTest : AnalysisFixture {
    void writeFourGames() {
        writeGames({
            gameRecord("10000001", "ANNA APPLE", " 1", "1500", "1700", "1510", "20050315"),
            gameRecord("20000002", "BOB BAKER", " 0", "UnR", "1400", "1450", "20040101"),
            gameRecord("30000003", "CARL CROSS", " .5", "1540", "1540", "1535", "20070808"),
            gameRecord("10000001", "ANNA APPLE", " 1", "1600", "1650", "1620", "20060606"),
        });
    }
};

}  // namespace

TEST_F(RatingSummaryTest, SummarisesRatingsAndTotals) {
    writeFourGames();
    writeOfficialRating("1523");
    sortData();
    // Current unofficial: the newest event's post rating; best values from
    // the top of a descending sort; lowest skips the unrated game.
    EXPECT_EQ(session.ui.txtResults,
              "This is data from 01-01-1991 to 06-15-2024\r\n"
              "\r\n"
              "Current Official rating is 1523    Current UnOfficial rating is 1535\r\n"
              "Best Unofficial rating = 1620   Best Official rating = 1600   Lowest rating on record = 1500\r\n"
              "3 Opponents   Total Rated Games =  4 --->     2 Wins   1 Draws   1 Losses\r\n");
    EXPECT_EQ(session.state.currentRatingFile, results() + "currentrating.txt");
    // The grid is left in ascending pre-event rating order.
    EXPECT_EQ(column(session.ui.MSFlexSort, 3), (std::vector<std::string>{"UnR", "1500", "1540", "1600"}));
    EXPECT_EQ(session.ui.MSFlexSort.col(), 3);
}

TEST_F(RatingSummaryTest, WithoutAnOfficialRatingFileTheRatingIsUnavailable) {
    writeFourGames();
    sortData();
    EXPECT_EQ(digestLines().at(2), "Current Official rating unavailable.    Current UnOfficial rating is 1535");

    // An empty file holds no rating either.
    writeBytes(results() + "currentrating.txt", "");
    sortData();
    EXPECT_EQ(digestLines().at(2), "Current Official rating unavailable.    Current UnOfficial rating is 1535");

    // Only the first field of the file counts, without its blanks.
    writeBytes(results() + "currentrating.txt", " 1623 ,x\r\n");
    sortData();
    EXPECT_EQ(digestLines().at(2), "Current Official rating is 1623    Current UnOfficial rating is 1535");
}

TEST_F(RatingSummaryTest, AMemberUnratedBeforeEveryEventHasUnRAsLowestRating) {
    writeGames({gameRecord("10000001", "ANNA APPLE", " 1", "UnR", "1700", "1310", "20050315"),
                gameRecord("20000002", "BOB BAKER", " 0", "UnR", "1400", "1290", "20050316")});
    sortData();
    EXPECT_EQ(digestLines().at(3),
              "Best Unofficial rating = 1310   Best Official rating = UnR   Lowest rating on record = UnR");
}

TEST_F(RatingSummaryTest, AMemberWithoutGamesGetsASummaryWithEmptyValues) {
    writeGames({});
    writeResults({});
    sortData();
    EXPECT_EQ(session.ui.txtResults,
              "This is data from 01-01-1991 to 06-15-2024\r\n"
              "\r\n"
              "Current Official rating unavailable.    Current UnOfficial rating is \r\n"
              "Best Unofficial rating =    Best Official rating =    Lowest rating on record = \r\n"
              "0 Opponents   Total Rated Games =  0 --->     0 Wins   0 Draws   0 Losses\r\n");
}

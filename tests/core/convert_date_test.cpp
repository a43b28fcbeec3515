#include <gtest/gtest.h>

#include "stats/convert_date.h"

using krv::ConvertDate;

TEST(ConvertDate, TurnsYearFirstIntoMonthFirst) {
    EXPECT_EQ(ConvertDate("20050315"), "03-15-2005");
}

TEST(ConvertDate, TakesWhateverEachPieceHolds) {
    EXPECT_EQ(ConvertDate(""), "--");
    EXPECT_EQ(ConvertDate("2005"), "-05-2005");
    EXPECT_EQ(ConvertDate("200503151"), "03-51-2005");  // the day is always the last two characters
}

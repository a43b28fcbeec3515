#include <gtest/gtest.h>

#include "stats/convert_date.h"

// Each piece takes whatever the text holds at its place.
TEST(ConvertDate, TurnsYearFirstIntoMonthFirstWhateverTheLength) {
    for (const auto& [date, expected] : std::vector<std::pair<std::string, std::string>>{
             {"20050315", "03-15-2005"}, {"", "--"}, {"2005", "-05-2005"}, {"200503151", "03-51-2005"}})
        EXPECT_EQ(krv::ConvertDate(date), expected) << date;
}

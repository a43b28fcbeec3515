#include <gtest/gtest.h>

#include <optional>

#include "analysis_test_support.h"

using namespace krv;
using namespace krv::testing;

using RatingSummaryTest = AnalysisFixture;

// The full summary of real members is compared in the golden analyses; here
// the official rating file's forms and a member unrated before every event.
TEST_F(RatingSummaryTest, OfficialRatingFileAndAllUnratedLowestRating) {
    writeGames({gameRecord("10000001", "ANNA APPLE", " 1", "UnR", "1700", "1310", "20050315"),
                gameRecord("20000002", "BOB BAKER", " 0", "UnR", "1400", "1290", "20050316")});
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases{
        {std::nullopt, "Current Official rating unavailable."},
        {"", "Current Official rating unavailable."},
        {" 1623 ,x\r\n", "Current Official rating is 1623"},  // the first field, without its blanks
    };
    for (const auto& [file, official] : cases) {
        if (file) writeBytes(results() + "currentrating.txt", *file);
        sortData();
        ASSERT_EQ(digestLines().size(), 5u);
        EXPECT_EQ(digestLines()[2], official + "    Current UnOfficial rating is 1290");
        EXPECT_EQ(digestLines()[3],
                  "Best Unofficial rating = 1310   Best Official rating = UnR   Lowest rating on record = UnR");
    }
}

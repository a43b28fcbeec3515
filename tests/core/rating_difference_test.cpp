#include <gtest/gtest.h>

#include "analysis_test_support.h"
#include "stats/rating_difference.h"

using namespace krv;
using namespace krv::testing;

// Grids hold score (2), member's rating (3) and opponent's rating (4). The
// digest lines of real members are compared in the golden analyses.
TEST(RatingBands, BoundariesAndFixedClasses) {
    struct Case {
        std::string member, opponent, lands;  // where a single win lands with a range of 100
    };
    const std::vector<Case> cases{
        {"1500", "1601", "+ higher"},  {"1500", "1600", " higher"},   {"1500", "1599", "+/- higher"},
        {"1500", "1500", "+/- equal"}, {"1500", "1400", "+/- lower"}, {"1500", "1399", "- lower"},
        {"UnR", "UnR", "+/- equal"},   {"UnR", "1400", "+ higher"},  // an unrated player counts as 0
    };
    for (const Case& c : cases) {
        const Grid g = gridOf({2, 3, 4}, {{"1", c.member, c.opponent}});
        const RatingBands b = classifyByBand(g, 100);
        const RatingClasses k = classifyByRating(g);
        EXPECT_EQ(std::string(b.plus.wins ? "+" : "") + (b.within.wins ? "+/-" : "") + (b.minus.wins ? "-" : "") + " " +
                      (k.higher.wins ? "higher" : "") + (k.equal.wins ? "equal" : "") + (k.lower.wins ? "lower" : ""),
                  c.lands)
            << c.member << " v " << c.opponent;
    }

    // Only 1, .5 and 0 count, as a win, a draw and a loss.
    const Grid scores = gridOf({2, 3, 4}, {{"1", "1500", "1600"},
                                           {".5", "1500", "1600"},
                                           {"0", "1500", "1600"},
                                           {"2", "1500", "1600"},
                                           {".25", "1500", "1600"}});
    const ResultCounts higher = classifyByRating(scores).higher;
    EXPECT_EQ(std::tie(higher.wins, higher.draws, higher.losses), std::make_tuple(1L, 1L, 1L));
}

using DigestLinesTest = AnalysisFixture;

TEST_F(DigestLinesTest, ARangeThatIsNoNumberShowsItsLettersAndCountsAsZero) {
    session.ui.MSFlexSort = gridOf({2, 3, 4}, {{"1", "1500", "1500"}, {"1", "1500", "1501"}});
    session.ui.txthighlowrange = "abc";
    gethlflexresults(session);
    EXPECT_EQ(session.ui.txtResults,
              "\r\nResults against 1 players rated + abc : Wins =  1   Draws =  0   Losses =  0"
              "\r\nResults against 0 players rated +/-abc: Wins =  0   Draws =  0   Losses =  0"
              "\r\nResults against 0 players rated - abc : Wins =  0   Draws =  0   Losses =  0");
}

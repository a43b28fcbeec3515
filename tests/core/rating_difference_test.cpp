#include <gtest/gtest.h>

#include <filesystem>

#include "analysis_test_support.h"
#include "stats/analysis_errors.h"
#include "stats/rating_difference.h"

using namespace krv;
using namespace krv::testing;

namespace {

// A tournament grid with score (2), member's rating (3) and opponent's
// rating (4) only.
Grid games(const std::vector<std::array<std::string, 3>>& rows) {
    Grid g;
    g.setCols(11);
    g.setRows(static_cast<int>(rows.size()));
    for (int r = 0; r < g.rows(); ++r)
        for (int c = 0; c < 3; ++c) g.setText(r, 2 + c, rows[r][c]);
    return g;
}

struct Counts {
    long wins, draws, losses;
};

void expectCounts(const ResultCounts& actual, Counts expected, const char* what) {
    EXPECT_EQ(actual.wins, expected.wins) << what;
    EXPECT_EQ(actual.draws, expected.draws) << what;
    EXPECT_EQ(actual.losses, expected.losses) << what;
}

}  // namespace

TEST(RatingBands, BoundariesOfARangeOfOneHundred) {
    // Member 1500: each opponent rating with its own result so that the band
    // it lands in shows in the counts.
    const Grid g = games({{"1", "1500", "1601"}, {"1", "1500", "1600"}, {".5", "1500", "1599"},
                          {"0", "1500", "1400"}, {"0", "1500", "1399"}});
    const RatingBands bands = classifyByBand(g, 100);
    expectCounts(bands.plus, {1, 0, 0}, "plus");       // 1601; 1600 is in no band
    expectCounts(bands.within, {0, 1, 1}, "within");   // 1599 and 1400
    expectCounts(bands.minus, {0, 0, 1}, "minus");     // 1399

    const Grid fixed = games({{"1", "1500", "1600"}, {".5", "1500", "1500"}, {"0", "1500", "1400"}});
    const RatingClasses classes = classifyByRating(fixed);
    expectCounts(classes.higher, {1, 0, 0}, "higher");
    expectCounts(classes.equal, {0, 1, 0}, "equal");
    expectCounts(classes.lower, {0, 0, 1}, "lower");
}

TEST(RatingBands, AnUnratedMemberCountsAsZero) {
    const Grid g = games({{"1", "UnR", "UnR"}, {"1", "UnR", "99"}, {"0", "UnR", "100"}, {"0", "UnR", "1400"}});
    const RatingBands bands = classifyByBand(g, 100);
    expectCounts(bands.minus, {0, 0, 0}, "minus");
    expectCounts(bands.within, {2, 0, 0}, "within");
    expectCounts(bands.plus, {0, 0, 1}, "plus");
    expectCounts(classifyByRating(g).equal, {1, 0, 0}, "unrated against unrated");
}

TEST(RatingBands, ARangeOfZeroLeavesEquallyRatedOpponentsInNoBand) {
    const Grid g = games({{"1", "1500", "1500"}, {"1", "1500", "1501"}, {"1", "1500", "1499"}});
    const RatingBands bands = classifyByBand(g, 0);
    expectCounts(bands.within, {0, 0, 0}, "within");
    expectCounts(bands.plus, {1, 0, 0}, "plus");
    expectCounts(bands.minus, {1, 0, 0}, "minus");
}

TEST(RatingBands, OtherScoresCountNothing) {
    const Grid g = games({{"2", "1500", "1600"}, {".25", "1500", "1600"}});
    EXPECT_EQ(classifyByRating(g).higher.total(), 0);
}

struct DigestLinesTest : AnalysisFixture {
    void setGames(const std::vector<std::array<std::string, 3>>& rows) { session.ui.MSFlexSort = games(rows); }
};

TEST_F(DigestLinesTest, AppendsTheClassAndBandLinesAndSavesTheDigest) {
    setGames({{"1", "1500", "1601"}, {"1", "1500", "1600"}, {".5", "1500", "1599"}, {"0", "1500", "1400"},
              {"0", "1500", "1399"}, {".5", "1500", "1500"}});
    session.ui.txtResults = "summary\r\n";
    gethighlowresults(session);
    gethlflexresults(session);
    const std::string expected =
        "summary\r\n"
        "\r\nResults against 3 higher rated players: Wins =  2   Draws =  1   Losses =  0"
        "\r\nResults against 1  equally rated players: Wins =  0   Draws =  1   Losses =  0"
        "\r\nResults against 2  lower rated players: Wins =  0   Draws =  0   Losses =  2\r\n"
        "\r\nResults against 1 players rated + 100 : Wins =  1   Draws =  0   Losses =  0"
        "\r\nResults against 3 players rated +/-100: Wins =  0   Draws =  2   Losses =  1"
        "\r\nResults against 1 players rated - 100 : Wins =  0   Draws =  0   Losses =  1";
    EXPECT_EQ(session.ui.txtResults, expected);
    // The file ends with the band-minus line and one line end.
    EXPECT_EQ(resultFile("digest.txt"), expected + "\r\n");
    EXPECT_EQ(session.ui.lblprocessed, filesCreatedText(session.store().results()));
}

TEST_F(DigestLinesTest, ARangeThatIsNoNumberShowsItsLettersAndCountsAsZero) {
    setGames({{"1", "1500", "1500"}, {"1", "1500", "1501"}});
    session.ui.txthighlowrange = "abc";
    gethlflexresults(session);
    const auto lines = digestLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Results against 1 players rated + abc : Wins =  1   Draws =  0   Losses =  0");
    EXPECT_EQ(lines[2], "Results against 0 players rated +/-abc: Wins =  0   Draws =  0   Losses =  0");
    EXPECT_EQ(lines[3], "Results against 0 players rated - abc : Wins =  0   Draws =  0   Losses =  0");
}

TEST_F(DigestLinesTest, WithoutAResultsFolderTheLinesStayButNothingIsSaved) {
    setGames({{"1", "1500", "1601"}});
    std::filesystem::remove_all(results());
    session.setStatus("before");
    session.state.savedSortColumn = 3;
    session.state.savedSortCode = 3;
    session.ui.MSFlexSort.setCol(4);
    EXPECT_THROW(gethlflexresults(session), AnalysisStopped);
    EXPECT_EQ(digestLines().size(), 4u);
    EXPECT_EQ(session.ui.lblprocessed, "before");
    EXPECT_EQ(session.ui.MSFlexSort.col(), 4);
    EXPECT_FALSE(std::filesystem::exists(results()));

    // An ID box without a member ID never makes a path of its own.
    session.ui.CmbID = "../../x -- SOMEONE";
    EXPECT_THROW(gethlflexresults(session), AnalysisStopped);
    EXPECT_FALSE(std::filesystem::exists(session.store().results() + "/digest.txt"));
}

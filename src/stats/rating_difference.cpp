#include "stats/rating_difference.h"

#include "platform/text.h"
#include "session/session.h"
#include "stats/analysis_errors.h"
#include "tournament/show_more_results.h"

namespace krv {

namespace {

enum GameColumn { kScore = 2, kPreRating = 3, kOpponentRating = 4 };

struct Game {
    double score;
    double member;
    double opponent;
};

Game gameAt(const Grid& games, int row) {
    return {games.number(row, kScore), games.number(row, kPreRating), games.number(row, kOpponentRating)};
}

std::string countsText(const ResultCounts& counts) {
    return ": Wins = " + signedForm(static_cast<double>(counts.wins)) +
           "   Draws = " + signedForm(static_cast<double>(counts.draws)) +
           "   Losses = " + signedForm(static_cast<double>(counts.losses));
}

std::string totalText(const ResultCounts& counts) { return signedForm(static_cast<double>(counts.total())); }

void restoreSavedSort(KrvSession& session) {
    Grid& games = session.ui.MSFlexSort;
    const auto& st = session.state;
    const int column = st.savedSortColumn.value_or(0);
    // A column the grid does not have (a damaged settings file) leaves the
    // order as it is.
    if (column < 0 || column >= games.cols()) return;
    games.setCol(column);
    games.sort(st.savedSortCode.value_or(kSortNone));
}

}  // namespace

void ResultCounts::add(double score) {
    if (score == 0) ++losses;
    else if (score == 0.5) ++draws;
    else if (score == 1) ++wins;
}

RatingClasses classifyByRating(const Grid& games) {
    RatingClasses classes;
    const int rows = games.rows();
    for (int r = 0; r < rows; ++r) {
        const Game g = gameAt(games, r);
        if (g.member > g.opponent) classes.lower.add(g.score);
        else if (g.member < g.opponent) classes.higher.add(g.score);
        else classes.equal.add(g.score);
    }
    return classes;
}

RatingBands classifyByBand(const Grid& games, double range) {
    RatingBands bands;
    const int rows = games.rows();
    for (int r = 0; r < rows; ++r) {
        const Game g = gameAt(games, r);
        if (g.member - range > g.opponent) bands.minus.add(g.score);
        if (g.member + range < g.opponent) bands.plus.add(g.score);
        // An opponent rated exactly the range below is within; one rated
        // exactly the range above is in no band.
        const double low = g.member - range < 1 ? 0 : g.member - range;
        const double high = g.member + range;
        if (g.opponent < high && g.opponent > low - 1) bands.within.add(g.score);
    }
    return bands;
}

std::string filesCreatedText(const std::string& resultsRoot) {
    return "Files have been created in " + resultsRoot +
           "/######## The # equals the USCF#.  Digest.txt, Streak.txt, USCFName.txt, USCF ID#.txt, Allchart.txt "
           "and Yearchart.txt have been created.  The last five files are all comma delimited and can be imported "
           "into Excel or other programs.";
}

void gethighlowresults(KrvSession& session) {
    const RatingClasses classes = classifyByRating(session.ui.MSFlexSort);
    const std::string line(kLineEnd);
    std::string& digest = session.ui.txtResults;
    digest +=
        line + "Results against" + totalText(classes.higher) + " higher rated players" + countsText(classes.higher);
    digest +=
        line + "Results against" + totalText(classes.equal) + "  equally rated players" + countsText(classes.equal);
    digest += line + "Results against" + totalText(classes.lower) + "  lower rated players" +
              countsText(classes.lower) + line;
}

void gethlflexresults(KrvSession& session) {
    const std::string& range = session.ui.txthighlowrange;
    const RatingBands bands = classifyByBand(session.ui.MSFlexSort, numericValue(range));
    const std::string line(kLineEnd);
    std::string& digest = session.ui.txtResults;
    digest +=
        line + "Results against" + totalText(bands.plus) + " players rated + " + range + " " + countsText(bands.plus);
    digest +=
        line + "Results against" + totalText(bands.within) + " players rated +/-" + range + countsText(bands.within);
    digest +=
        line + "Results against" + totalText(bands.minus) + " players rated - " + range + " " + countsText(bands.minus);

    const auto folder = memberResultsFolder(session);
    if (!folder) throw AnalysisStopped("the ID box holds no member ID");
    // The caption says the files were created: it follows the last write.
    replaceFileUnlessSame(*folder + "digest.txt", digest + std::string(kLineEnd), Durability::RebuiltByAnalysis);

    session.setStatus(filesCreatedText(session.store().results()));
    restoreSavedSort(session);
}

}  // namespace krv

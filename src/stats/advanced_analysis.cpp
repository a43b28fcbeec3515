#include "stats/advanced_analysis.h"

#include <array>

#include "platform/text.h"
#include "session/session.h"
#include "stats/analysis_errors.h"
#include "stats/convert_date.h"
#include "stats/rating_difference.h"
#include "stats/streaks.h"

namespace krv {

namespace {

enum GameColumn {
    kName = 1,
    kScore = 2,
    kPreRating = 3,
    kOpponentRating = 4,
    kDifference = 5,
    kDate = 7,
    kEventName = 8
};

// The grid has fewer columns than the searches read: no game can be named,
// but the follow-on steps still run.
struct GridIndexError {};

void selectColumn(Grid& games, int column) {
    if (column >= games.cols()) throw GridIndexError{};
    games.setCol(column);
}

const std::string& cell(const Grid& games, int row, int column) {
    if (row >= games.rows() || column >= games.cols()) throw GridIndexError{};
    return games.text(row, column);
}

// The first row from the top with the score sought between two rated
// players; -1 when there is none.
int firstQualifyingRow(const Grid& games, double score) {
    const int rows = games.rows();
    for (int r = 0; r < rows; ++r) {
        if (numericValue(cell(games, r, kScore)) == score && cell(games, r, kPreRating) != "UnR" &&
            cell(games, r, kOpponentRating) != "UnR")
            return r;
    }
    return -1;
}

enum class LineForm { ByDifference, ByOpponentRating };

struct Search {
    int sortColumn;  // -1: keep the column
    int sortCode;    // 0: keep the order
    double score;
    const char* label;
    LineForm form;
    bool endsGroup;  // an empty line follows
};

constexpr std::array<Search, 6> kSearches{{
    {kDifference, kSortGenericDescending, 1, "Best Upset = ", LineForm::ByDifference, false},
    {-1, kSortNone, 0.5, "Best Draw = ", LineForm::ByDifference, false},
    {-1, kSortGenericAscending, 0, "Worst Loss = ", LineForm::ByDifference, true},
    {kOpponentRating, kSortGenericDescending, 1, "Highest Rated Opponent Win = ", LineForm::ByOpponentRating, false},
    {-1, kSortNone, 0.5, "Highest Rated Opponent Draw = ", LineForm::ByOpponentRating, false},
    {-1, kSortGenericAscending, 0, "Lowest Rated Opponent Loss to = ", LineForm::ByOpponentRating, true},
}};

std::string notableGameLine(const Grid& games, int row, const Search& search) {
    const std::string date = ConvertDate(cell(games, row, kDate));
    const std::string& name = cell(games, row, kName);
    const std::string& rating = cell(games, row, kOpponentRating);
    const std::string& eventName = cell(games, row, kEventName);
    if (search.form == LineForm::ByDifference)
        return search.label + cell(games, row, kDifference) + " points -- " + name + " -- " + rating + "  " +
               eventName + " " + date;
    return search.label + name + " -- " + rating + "  " + eventName + "  " + date;
}

void appendNotableGames(KrvSession& session) {
    Grid& games = session.ui.MSFlexSort;
    std::string& digest = session.ui.txtResults;
    for (const Search& search : kSearches) {
        if (search.sortColumn >= 0) selectColumn(games, search.sortColumn);
        if (search.sortCode != kSortNone) games.sort(search.sortCode);
        const int row = firstQualifyingRow(games, search.score);
        if (row < 0) continue;
        digest += std::string(kLineEnd) + notableGameLine(games, row, search);
        if (search.endsGroup) digest += kLineEnd;
    }
}

}  // namespace

void cmdAdvanceAnalyse_Click(KrvSession& session) {
    session.ui.setVisible("txtResults", true);
    try {
        appendNotableGames(session);
    } catch (const GridIndexError&) {
        // The remaining searches are abandoned; the rest still runs.
    }
    try {
        getStreak(session);
        gethighlowresults(session);
        gethlflexresults(session);
    } catch (const AnalysisStopped&) {
        // A missing results file or folder ends the run without a word: the
        // lines so far stay in the digest, no digest file is written.
    }
}

}  // namespace krv

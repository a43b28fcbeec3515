#include "tournament/show_more_results.h"

#include <ctime>

#include "platform/text.h"
#include "session/member_id.h"
#include "session/session.h"
#include "tournament/chart_files.h"
#include "tournament/opponent_table.h"

namespace krv {

namespace {

enum GameColumn { kPreRating = 3, kPostRating = 6, kDate = 7 };

void sortGames(Grid& games, int column, int code) {
    games.setCol(column);
    games.sort(code);
}

// The first field of the official rating file; nullopt when there is no
// such file or it holds nothing to read.
std::optional<std::string> officialRating(const std::string& path) {
    auto lines = readFileLines(path);
    if (!lines || lines->empty()) return std::nullopt;
    return splitCommaFields(lines->front()).front();
}

// With the grid sorted by pre-event rating ascending: the first rating that
// is not "UnR", or the last row's text when every row is unrated.
std::string lowestRating(const Grid& games) {
    for (int r = 0; r < games.rows(); ++r)
        if (games.text(r, kPreRating) != "UnR") return games.text(r, kPreRating);
    return games.text(games.rows() - 1, kPreRating);
}

}  // namespace

std::string todayText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%m-%d-%Y", &local);
    return buffer;
}

std::optional<std::string> memberResultsFolder(const KrvSession& session) {
    const auto member = idBoxMember(session);
    if (!member) return std::nullopt;
    return session.store().memberResultsDir(member->text());
}

void ShowMoreResults(KrvSession& session, const TodaySource& today) {
    auto& st = session.state;
    Grid& games = session.ui.MSFlexSort;
    std::string& summary = session.ui.txtResults;
    const std::string line(kLineEnd);

    const OpponentTotals totals = fillOpponentTable(session);
    session.ui.setVisible("CmdPrintTournamentView", true);

    summary = "This is data from 01-01-1991 to " + today() + line;

    sortGames(games, kDate, kSortNumericDescending);
    const std::string unofficial = games.text(0, kPostRating);

    // Without a member ID in the box there is no member's file to read.
    const auto folder = memberResultsFolder(session);
    st.currentRatingFile = folder ? *folder + "currentrating.txt" : std::string();
    const auto official = folder ? officialRating(st.currentRatingFile) : std::nullopt;
    if (official) summary += line + "Current Official rating is " + *official;
    else summary += line + "Current Official rating unavailable.";
    summary += "    Current UnOfficial rating is " + unofficial;

    // The chart files read the games newest first.
    if (folder) writeChartFiles(*folder, games);

    sortGames(games, kPostRating, kSortNumericDescending);
    summary += line + "Best Unofficial rating = " + games.text(0, kPostRating);
    sortGames(games, kPreRating, kSortNumericDescending);
    summary += "   Best Official rating = " + games.text(0, kPreRating);
    sortGames(games, kPreRating, kSortNumericAscending);
    summary += "   Lowest rating on record = " + lowestRating(games);

    summary += line + plainForm(static_cast<double>(st.opponentCount)) + " Opponents";
    summary += "   Total Rated Games = " + signedForm(totals.games) + " --->  ";
    summary += "  " + signedForm(totals.wins) + " Wins";
    summary += "  " + signedForm(totals.draws) + " Draws";
    summary += "  " + signedForm(totals.losses) + " Losses" + line;

    applySavedIndividualSort(session);
}

}  // namespace krv

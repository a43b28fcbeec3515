#include "tournament/opponent_table.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/text.h"
#include "session/session.h"
#include "session/sort_name.h"

namespace krv {

namespace {

enum OpponentColumn { kSortKey, kName, kWins, kDraws, kLosses, kGames, kPercent, kOpponentColumns };

constexpr std::array<int, kOpponentColumns> kWidths{1, 2600, 500, 500, 500, 600, 700};

void layOut(Grid& grid, int rows) {
    grid.setRows(0);
    grid.setCols(kOpponentColumns);
    grid.setRows(rows);
    int width = 0;
    for (int c = 0; c < kOpponentColumns; ++c) {
        grid.setColWidth(c, kWidths[c]);
        width += kWidths[c];
    }
    grid.setColAlignment(kGames, CellAlignment::Centre);
    grid.setWidth(width + 350);
}

}  // namespace

std::string scorePercentage(double wins, double draws, double games) {
    // A line with no games has no percentage; the totals file never holds
    // one, but a hand-edited file must not print "nan".
    if (games == 0) return signedForm(0) + "%";
    double percent = ((wins + draws / 2) / games) * 100;
    return signedForm(roundHalfEven(percent)) + "%";
}

OpponentTotals fillOpponentTable(KrvSession& session) {
    Grid& grid = session.ui.MSFlexResults;
    const long expected = std::max(session.state.opponentCount, 0L);
    const std::string bytes = readFileBytes(session.state.opponentFile).value_or(std::string());
    CommaFieldReader reader(bytes);

    layOut(grid, static_cast<int>(expected));
    session.ui.setVisible("MSFlexResults", true);

    OpponentTotals totals;
    int row = 0;
    for (; row < expected; ++row) {
        std::array<std::string_view, 5> fields;
        bool complete = true;
        for (auto& field : fields) {
            auto next = reader.next();
            if (!next) {
                complete = false;
                break;
            }
            field = *next;
        }
        // The file and the count are written together; should the file be
        // shorter, the table ends with the file instead of failing.
        if (!complete) break;
        const auto& [name, wins, draws, losses, games] = fields;
        grid.setText(row, kSortKey, makeSortName(name));
        grid.setText(row, kName, name);
        grid.setText(row, kWins, wins);
        grid.setText(row, kDraws, draws);
        grid.setText(row, kLosses, losses);
        grid.setText(row, kGames, games);
        const double w = numericValue(wins), d = numericValue(draws), l = numericValue(losses);
        const double t = numericValue(games);
        totals.wins += w;
        totals.draws += d;
        totals.losses += l;
        totals.games += t;
        grid.setText(row, kPercent, scorePercentage(w, d, t));
    }
    if (row < grid.rows()) grid.setRows(row);
    return totals;
}

void applySavedIndividualSort(KrvSession& session) {
    Grid& grid = session.ui.MSFlexResults;
    const auto& st = session.state;
    const int column = st.savedIndividualColumn.value_or(0);
    // A column the table does not have (a damaged settings file) leaves the
    // table in file order rather than pointing the grid outside itself.
    if (column >= 0 && column < grid.cols()) {
        grid.setCol(column);
        grid.sort(st.savedIndividualSortCode.value_or(kSortNone));
    } else {
        grid.setCol(0);
    }
    session.state.individualLastSortCode = st.savedIndividualSortCode;
}

}  // namespace krv

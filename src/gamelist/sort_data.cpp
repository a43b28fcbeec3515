#include "gamelist/sort_data.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "platform/text.h"
#include "session/session.h"
#include "session/sort_name.h"

namespace krv {

namespace {

enum GameColumn {
    kOpponentId,
    kOpponentName,
    kScore,
    kPreRating,
    kOpponentRating,
    kDifference,
    kPostRating,
    kDate,
    kEventName,
    kNameSortKey,
    kSectionFile,
    kGameColumns
};

constexpr std::array<int, kGameColumns> kWidths{1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1};
constexpr int kRecordFields = 9;

// The commands and labels of the tournament view, shown once it has games.
constexpr std::array<const char*, 12> kViewControls{
    "cmdsortbyid", "cmdsortbyalpha", "cmdsortbydate", "cmdresults",          "lblrating", "cmdsel",
    "cmdopp",      "cmddif",         "cmdPost",       "cmdsortbytournament", "lblkrv",    "MSFlexSort"};

void layOut(Grid& games, int rows) {
    games.setRows(0);
    games.setCols(kGameColumns);
    games.setRows(rows);
    int width = 0;
    for (int c = 0; c < kGameColumns; ++c) {
        games.setColWidth(c, kWidths[c]);
        width += games.colWidth(c);
    }
    games.setColAlignment(kDate, CellAlignment::Centre);
    games.setColAlignment(kEventName, CellAlignment::Centre);
    games.setWidth(width + 350);
}

// A game record's fields, as views into the game list file's bytes.
using GameRecord = std::array<std::string_view, kRecordFields>;

// Reads the next record of nine comma-delimited fields; false when the
// fields run out first, as an incomplete last record is not a game. Blanks
// around each field are dropped, so a score " 1" arrives as "1" and the
// padded name field loses its trailing blanks.
bool readGameRecord(CommaFieldReader& reader, GameRecord& record) {
    for (auto& field : record) {
        auto next = reader.next();
        if (!next) return false;
        field = *next;
    }
    return true;
}

// Opponents recur game after game; each name's sort key is made once.
class SortNames {
public:
    const std::string& of(std::string_view name) {
        auto it = keys_.find(name);
        if (it == keys_.end()) it = keys_.emplace(name, makeSortName(name)).first;
        return it->second;
    }

private:
    std::unordered_map<std::string_view, std::string> keys_;  // views into the game list's bytes
};

void fillRow(Grid& games, int row, const GameRecord& record, SortNames& sortNames) {
    const auto& [id, name, score, pre, opponent, post, date, event, file] = record;
    const std::string difference = plainForm(numericValue(opponent) - numericValue(pre));
    // In column order, kOpponentId to kSectionFile.
    games.setRowTexts(row, {id, name, score, pre, opponent, difference, post, date, event, sortNames.of(name), file});
}

// Fills the grid with up to `limit` game records from the game list's bytes.
void fillGames(Grid& games, std::string_view bytes, long limit) {
    // A record takes at least its eight commas, which bounds the rows laid
    // out whatever the count says.
    constexpr std::size_t kMostRows = std::numeric_limits<int>::max();
    const long possible = static_cast<long>(std::min(bytes.size() / 8 + 1, kMostRows));
    const int rows = static_cast<int>(std::clamp(limit, 0L, possible));
    layOut(games, rows);
    CommaFieldReader reader(bytes);
    SortNames sortNames;
    GameRecord record;
    int filled = 0;
    while (filled < rows && readGameRecord(reader, record)) fillRow(games, filled++, record, sortNames);
    if (filled < rows) games.setRows(filled);
}

struct OpponentGroup {
    std::string_view id;
    int lastRow = 0;
    long wins = 0;
    long draws = 0;
    long losses = 0;
    long games = 0;

    // Scores other than 0, 0.5 and 1 count as games only.
    void add(const Grid& grid, int row) {
        lastRow = row;
        const double score = grid.number(row, kScore);
        if (score == 0) ++losses;
        else if (score == 0.5) ++draws;
        else if (score == 1) ++wins;
        ++games;
    }

    void appendLine(const Grid& grid, std::string& text) const {
        text += grid.text(lastRow, kOpponentName);
        for (long count : {wins, draws, losses, games}) {
            text += ',';
            text += printForm(static_cast<double>(count));
        }
        text += kLineEnd;
    }
};

// One line per opponent ID, in grid order (sorted by ID), named after the
// opponent's last row. Returns the text and the number of lines.
std::pair<std::string, long> opponentTotals(const Grid& games) {
    std::string text;
    long lines = 0;
    OpponentGroup group;
    for (int row = 0; row < games.rows(); ++row) {
        const std::string& id = games.text(row, kOpponentId);
        if (row == 0 || id != group.id) {
            if (row > 0) {
                group.appendLine(games, text);
                ++lines;
            }
            group = OpponentGroup{};
            group.id = id;
        }
        group.add(games, row);
    }
    if (games.rows() > 0) {
        group.appendLine(games, text);
        ++lines;
    }
    return {std::move(text), lines};
}

void removeUpdateRunFiles(const ModuleState& st) {
    for (const std::string* path : {&st.nameSourceFile, &st.historyPageFile, &st.eventListFile})
        if (!path->empty()) std::remove(path->c_str());
}

}  // namespace

void SortData(KrvSession& session, const TodaySource& today) {
    const std::string gameList = readFileBytes(session.state.gameListFile).value_or(std::string());
    SortData(session, gameList, today);
}

void SortData(KrvSession& session, std::string_view gameList, const TodaySource& today) {
    auto& st = session.state;
    Grid& games = session.ui.MSFlexSort;

    for (const char* control : kViewControls) session.ui.setVisible(control, true);

    fillGames(games, gameList, st.gameCount);

    games.setCol(kOpponentId);
    games.sort(kSortNumericAscending);

    auto [totals, lines] = opponentTotals(games);
    if (!st.opponentFile.empty()) replaceFileUnlessSame(st.opponentFile, totals, Durability::RebuiltByAnalysis);
    st.opponentCount = lines;

    if (st.analyseOnly == 0) removeUpdateRunFiles(st);

    ShowMoreResults(session, today);
    st.analyseOnly = 0;
}

}  // namespace krv

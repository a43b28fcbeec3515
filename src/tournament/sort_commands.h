// The nine sort buttons above the tournament grid and the grid click that
// leads to an event's crosstable page.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace krv {
class KrvSession;

// Numeric columns share one direction switch, text columns another: the
// first numeric button of a run sorts descending, the next numeric button
// (whichever column) ascending, and so on.
enum class SortKind { Numeric, Text };

struct TournamentSortButton {
    const char* name;  // control name
    const char* caption;
    const char* hoverText;
    int column;  // column of the tournament grid it sorts
    SortKind kind;
};

inline constexpr const char* kClickAgainHint = "Clicking more than once changes the Sort direction.";
inline constexpr const char* kTournamentClickHint = "Click on any Tournament to go to the actual USCF KRV data.";

// In the order they stand above the grid.
inline constexpr std::array<TournamentSortButton, 9> kTournamentSortButtons{{
    {"cmdsortbyid", "Sort by ID", kClickAgainHint, 0, SortKind::Numeric},
    {"cmdresults", "Results", kClickAgainHint, 2, SortKind::Numeric},
    {"cmdsel", "Sel", "Selected User's Rating", 3, SortKind::Numeric},
    {"cmdopp", "Opp", "The Opposition's Rating", 4, SortKind::Numeric},
    {"cmddif", "Dif", "The Difference between the Ratings", 5, SortKind::Numeric},
    {"cmdPost", "Post", "The Rating after the Tournament", 6, SortKind::Numeric},
    {"cmdsortbydate", "Sort by Date", kClickAgainHint, 7, SortKind::Numeric},
    {"cmdsortbytournament", "Sort by Tournament Name", kClickAgainHint, 8, SortKind::Text},
    {"cmdsortbyalpha", "Sort by Alpha", kClickAgainHint, 9, SortKind::Text},
}};

// The button that sorts what a column of the tournament grid shows: the
// name column is sorted by its hidden surname key. nullptr for a column no
// button sorts.
const char* tournamentSortButtonFor(int column);

// Makes column the grid's current column, flips the direction switch of its
// kind, sorts with the new code and remembers it as lastSortCode.
void sortTournamentView(KrvSession& session, int column, SortKind kind);

// Runs the button of that control name; false for an unknown name.
bool clickTournamentSortButton(KrvSession& session, std::string_view name);

void cmdsortbyid_Click(KrvSession& session);
void cmdresults_Click(KrvSession& session);
void cmdsel_Click(KrvSession& session);
void cmdopp_Click(KrvSession& session);
void cmddif_Click(KrvSession& session);
void cmdPost_Click(KrvSession& session);
void cmdsortbydate_Click(KrvSession& session);
void cmdsortbytournament_Click(KrvSession& session);
void cmdsortbyalpha_Click(KrvSession& session);

// The event key of a crosstable file name: the text up to the first ".txt"
// (any case), so the section files "KEY.txt2", "KEY.txt3" give the key of
// "KEY.txt". nullopt when the name holds no ".txt" or nothing before it.
std::optional<std::string> crosstableKey(std::string_view fileName);

// The grid click, after the click made (row, column) the grid's current
// cell. A click in the event-name column sets crosstableAddress to that
// event's crosstable page and returns true: the web window should open it.
// Any other click changes nothing else and returns false.
bool MSFlexSort_Click(KrvSession& session);

}  // namespace krv

// The six sort buttons of the individual results window.
#pragma once

#include <array>
#include <string_view>

#include "tournament/sort_commands.h"

namespace krv {
class KrvSession;

struct IndividualSortButton {
    const char* name;  // control name
    const char* caption;
    int column;  // column of the per-opponent grid it sorts
    SortKind kind;
};

// In the order they stand above the grid; each has the hover text
// kClickAgainHint.
inline constexpr std::array<IndividualSortButton, 6> kIndividualSortButtons{{
    {"cmdalpharesults", "Alpha", 0, SortKind::Text},
    {"cmdW", "Wins", 2, SortKind::Numeric},
    {"cmdD", "Draws", 3, SortKind::Numeric},
    {"cmdL", "Losses", 4, SortKind::Numeric},
    {"cmdT", "Total Games", 5, SortKind::Numeric},
    {"cmdper", "Percentage", 6, SortKind::Numeric},
}};

// The button that sorts what a column of the per-opponent grid shows: the
// name column is sorted by its hidden surname key. nullptr for none.
const char* individualSortButtonFor(int column);

// Makes column the grid's current column, flips the direction switch of its
// kind (the five numeric buttons share one), sorts with the new code and
// remembers it as individualLastSortCode.
void sortIndividualResults(KrvSession& session, int column, SortKind kind);

// Runs the button of that control name; false for an unknown name.
bool clickIndividualSortButton(KrvSession& session, std::string_view name);

void cmdalpharesults_Click(KrvSession& session);
void cmdW_Click(KrvSession& session);
void cmdD_Click(KrvSession& session);
void cmdL_Click(KrvSession& session);
void cmdT_Click(KrvSession& session);
void cmdper_Click(KrvSession& session);

}  // namespace krv

// The per-opponent table of the individual results window, filled from the
// per-opponent totals file.
#pragma once

#include <string>

namespace krv {
class KrvSession;

// Sums of the wins, draws, losses and games columns over all opponents.
struct OpponentTotals {
    double wins = 0;
    double draws = 0;
    double losses = 0;
    double games = 0;
};

// Fills `MSFlexResults` with one row per line of `opponentFile` (at most
// `opponentCount` lines) and makes it visible. A missing file gives an
// empty table.
OpponentTotals fillOpponentTable(KrvSession& session);

// Applies the sort saved in the settings file to `MSFlexResults` and keeps
// its code as `individualLastSortCode`, so the next exit saves it again.
void applySavedIndividualSort(KrvSession& session);

// The score percentage cell: the rounded percentage in signed form and "%"
// (" 75%"); exact halves go to the even neighbour.
std::string scorePercentage(double wins, double draws, double games);

}  // namespace krv

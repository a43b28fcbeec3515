// Loads the raw game list into the tournament grid and totals the games per
// opponent.
#pragma once

#include <string_view>

#include "tournament/show_more_results.h"

namespace krv {
class KrvSession;

// Fills `MSFlexSort` from `gameListFile` (at most `gameCount` records),
// writes the per-opponent totals to `opponentFile`, removes the update
// run's temporary files unless `analyseOnly` is set, and builds the
// tournament view (`ShowMoreResults`, which takes today's date from today).
void SortData(KrvSession& session, const TodaySource& today = todayText);
// The same with the game list's bytes at hand, as the analysis that just
// wrote them has them.
void SortData(KrvSession& session, std::string_view gameList, const TodaySource& today = todayText);

}  // namespace krv

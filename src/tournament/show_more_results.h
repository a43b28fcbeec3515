// Builds the rating summary, the per-opponent table and the chart files from
// the filled tournament grid.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace krv {
class KrvSession;

// Today's date as the summary shows it: MM-DD-YYYY. A source can be handed
// in so that the summary's text does not depend on the clock.
using TodaySource = std::function<std::string()>;
std::string todayText();

void ShowMoreResults(KrvSession& session, const TodaySource& today = todayText);

// The results folder of the member in the ID box, with a trailing "/";
// nullopt when the first 8 characters of the ID box are not a member ID, so
// that a stray text never makes a path outside the member's folders.
std::optional<std::string> memberResultsFolder(const KrvSession& session);

}  // namespace krv

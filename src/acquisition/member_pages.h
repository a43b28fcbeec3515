// What the analysis reads from a member's own pages: the name on the
// history page and the current rating on the main page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

// The member's name from a history page in its line form. A line holding
// the ID followed by ":" (case ignored) at position P carries the name from
// P + 10, followed by 11 characters of markup that are dropped. The last
// such line wins; a line too short to hold that markup gives no name and
// leaves the one found before it. nullopt when no line gives a name.
std::optional<std::string> memberNameFromHistory(const std::vector<std::string>& lines, std::string_view id);

// The name one line of a history page gives by that rule; nullopt when the
// line gives none.
std::optional<std::string> memberNameInLine(std::string_view line, std::string_view id);

// The regular rating from the member's main page, read line by line as
// downloaded: on the first line holding "Regular Rating" (case ignored) at
// position P, the 4 characters from P + 37 (fewer where the line ends
// sooner). nullopt when no line holds "Regular Rating".
std::optional<std::string> regularRatingFromMainPage(const std::vector<std::string>& lines);

}  // namespace krv

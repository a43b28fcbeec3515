// Whether a downloaded answer is the page that was asked for, checked before
// any of it is stored. A crosstable once stored is never fetched again, so a
// maintenance notice, an error page, random bytes or a cut-off page taken
// for one would lose the event's games for good; a history page of junk
// would give the member an empty name. Each check looks for the markers the
// parsers themselves read, plus the end of the document:
//
// Crosstable (all of these):
//   - "</html>" somewhere in the page (case ignored). No parser reads it,
//     but it is the only sign that the page arrived whole: a page cut off
//     after a complete player row would otherwise pass, and the sections
//     after the cut would be lost for good.
//   - Every section, as the section split cuts the page (a line holding
//     "Section" + n and "anchor=" opens section n), holds a line with
//     "Note:" and after it at least one player row. The event parser reads
//     a section's rows only after its "Note:" line, so a section without
//     one would be stored and give no games.
//   - The first section holds a "<title>" line before its "Note:" line: the
//     parser takes the event name from there. "(Event" is not required; a
//     title without it costs the event name only.
//   - A player row is a line with a pair number ">" + digits + "<" whose
//     8 characters 32 positions right of the position before the number's
//     last digit are digits (the player's ID as the parser reads it),
//     followed by a rating line whose characters 20-21 are an upper-case
//     letter and ":" (the rating kind, "R:" or "Q:"). A stray ">1<" in the
//     markup of some other page has neither.
//   The member's own row is not required: the check is about the kind of
//   page, and an event refused here would fail every later update.
//
// History page (either of these):
//   - The site's answer for an ID it does not know: a line holding the ID
//     and " Error" without "MATCH ERRORS" (the ID check of the update run,
//     which then reports "Incorrect USCF ID Number"). Nothing else is asked
//     of such a page.
//   - Otherwise both: the name line, the member ID followed by ":" with a
//     name that is not blank where the analysis reads it (the run takes the
//     member's name from the last history page it fetches, and numbered
//     pages past the last one carry it too), and "</html>" (case ignored),
//     so that a page cut off before its last events is not taken whole.
//     Page links and "Detail:" rows are not required: a member with one
//     page has no page links and a page past the last lists no events.
//
// The member's main page is not checked: a main page without "Regular
// Rating" already keeps the previous rating file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krv {

inline constexpr std::string_view kNotCrosstablePage = "the answer is not a crosstable page";
inline constexpr std::string_view kNotHistoryPage = "the answer is not a history page";

// nullopt when the page looks like a crosstable, else kNotCrosstablePage.
// Takes the page as downloaded, or in its line form (page_lines.h). Both
// read the page once and keep no copy of it: checking the bytes before they
// are turned into lines costs no memory whatever the answer holds.
std::optional<std::string> crosstablePageProblem(std::string_view pageBytes);
std::optional<std::string> crosstablePageProblem(const std::vector<std::string>& lines);

// nullopt when the page looks like the history page of memberId (or the
// site's page for an unknown ID), else kNotHistoryPage.
std::optional<std::string> historyPageProblem(std::string_view pageBytes, std::string_view memberId);
std::optional<std::string> historyPageProblem(const std::vector<std::string>& lines, std::string_view memberId);

}  // namespace krv

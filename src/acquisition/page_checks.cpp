#include "acquisition/page_checks.h"

#include <algorithm>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"
#include "platform/text.h"

namespace krv {

namespace {

using LineViews = std::vector<std::string_view>;

// Columns of a crosstable as the event parser reads them (1-based).
constexpr std::size_t kIdOffset = 32;  // from the position before the pair number's last digit
constexpr std::size_t kIdWidth = 8;
constexpr std::size_t kKindColumn = 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

// The end of the document, searched from the back, where it stands.
bool hasDocumentEnd(const LineViews& lines) {
    return std::any_of(lines.rbegin(), lines.rend(), [](std::string_view l) { return containsNoCase(l, "</html>"); });
}

// The 1-based position where the player's ID starts, for a pair number
// whose ">" is at 0-based `bracket` and which has `digits` digits.
std::size_t idColumn(std::size_t bracket, std::size_t digits) { return bracket + digits + kIdOffset; }

bool holdsPlayerId(std::string_view row) {
    for (std::size_t at = row.find('>'); at != std::string_view::npos; at = row.find('>', at + 1)) {
        std::size_t end = at + 1;
        while (end < row.size() && isDigit(row[end])) ++end;
        if (end == at + 1 || end >= row.size() || row[end] != '<') continue;
        const std::string_view id = midView(row, idColumn(at, end - at - 1), kIdWidth);
        if (id.size() == kIdWidth && allDigits(id)) return true;
    }
    return false;
}

bool isRatingLine(std::string_view line) {
    const std::string_view kind = midView(line, kKindColumn, 2);
    return kind.size() == 2 && kind[0] >= 'A' && kind[0] <= 'Z' && kind[1] == ':';
}

// What one section of a crosstable has shown so far.
struct SectionSeen {
    bool title = false;  // a "<title>" line before "Note:"
    bool note = false;
    bool row = false;
};

bool crosstableLooksWhole(const LineViews& lines) {
    if (!hasDocumentEnd(lines)) return false;
    SectionSeen seen;
    bool firstSection = true;
    int nextSection = 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (opensSection(line, nextSection)) {
            if (!seen.row || (firstSection && !seen.title)) return false;
            seen = SectionSeen{};
            firstSection = false;
            ++nextSection;
        }
        // The parser reads a section's header up to its "Note:" line and
        // its rows after it; a title on the "Note:" line itself is not read.
        if (!seen.note) {
            if (contains(line, "Note:")) seen.note = true;
            else if (contains(line, "<title>")) seen.title = true;
        } else if (!seen.row && i + 1 < lines.size()) {
            seen.row = holdsPlayerId(line) && isRatingLine(lines[i + 1]);
        }
    }
    return seen.row && (!firstSection || seen.title);
}

LineViews viewsOf(const std::vector<std::string>& lines) { return LineViews(lines.begin(), lines.end()); }

}  // namespace

std::optional<std::string> crosstablePageProblem(std::string_view pageBytes) {
    if (crosstableLooksWhole(splitLineViews(pageBytes))) return std::nullopt;
    return std::string(kNotCrosstablePage);
}

std::optional<std::string> crosstablePageProblem(const std::vector<std::string>& lines) {
    if (crosstableLooksWhole(viewsOf(lines))) return std::nullopt;
    return std::string(kNotCrosstablePage);
}

std::optional<std::string> historyPageProblem(std::string_view pageBytes, std::string_view memberId) {
    return historyPageProblem(normalisePage(pageBytes), memberId);
}

std::optional<std::string> historyPageProblem(const std::vector<std::string>& lines, std::string_view memberId) {
    // The site's page for an unknown ID is a proper answer: the run reports it.
    if (findWrongIdLine(lines, memberId)) return std::nullopt;
    const std::optional<std::string> name = memberNameFromHistory(lines, memberId);
    const bool named = name && name->find_first_not_of(' ') != std::string::npos;
    if (named && hasDocumentEnd(viewsOf(lines))) return std::nullopt;
    return std::string(kNotHistoryPage);
}

}  // namespace krv

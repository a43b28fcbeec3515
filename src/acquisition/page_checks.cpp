#include "acquisition/page_checks.h"

#include <algorithm>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/section_split.h"
#include "platform/text.h"

namespace krv {

namespace {

// Columns of a crosstable as the event parser reads them (1-based).
constexpr std::size_t kIdOffset = 32;  // from the position before the pair number's last digit
constexpr std::size_t kIdWidth = 8;
constexpr std::size_t kKindColumn = 20;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

bool endsDocument(std::string_view line) { return containsNoCase(line, "</html>"); }

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

// Reads a crosstable one line at a time, keeping nothing of the lines but
// what it has seen, so that a check of a large page costs no memory.
class CrosstableScan {
public:
    void add(std::string_view line) {
        if (endsDocument(line)) documentEnd_ = true;
        if (opensSection(line, nextSection_)) {
            if (!sectionComplete()) failed_ = true;
            seen_ = SectionSeen{};
            firstSection_ = false;
            rowBefore_ = false;  // a section file ends with its last line
            ++nextSection_;
        }
        // The parser reads a section's header up to its "Note:" line and
        // its rows after it; a title on the "Note:" line itself is not read.
        if (!seen_.note) {
            if (contains(line, "Note:")) seen_.note = true;
            else if (contains(line, "<title>")) seen_.title = true;
        } else if (!seen_.row) {
            seen_.row = rowBefore_ && isRatingLine(line);
            rowBefore_ = holdsPlayerId(line);
        }
    }
    bool passed() const { return documentEnd_ && !failed_ && sectionComplete(); }

private:
    // What one section of a crosstable has shown so far.
    struct SectionSeen {
        bool title = false;  // a "<title>" line before "Note:"
        bool note = false;
        bool row = false;
    };
    bool sectionComplete() const { return seen_.row && (!firstSection_ || seen_.title); }

    SectionSeen seen_;
    bool firstSection_ = true;
    int nextSection_ = 2;
    bool rowBefore_ = false;  // the line before holds a player's pair number and ID
    bool documentEnd_ = false;
    bool failed_ = false;
};

// A history page lists a few dozen events in a few thousand lines. The run
// holds a history page as lines, each a string of its own: a page of
// millions of empty lines would cost hundreds of megabytes however small it
// is, so a page of more lines than this is not taken for a history page.
constexpr std::size_t kMostHistoryPageLines = 100'000;

// Reads a history page one line at a time, as CrosstableScan does.
class HistoryScan {
public:
    explicit HistoryScan(std::string_view memberId) : memberId_(memberId) {}
    void add(std::string_view line) {
        ++lines_;
        if (idCheck_ == IdCheck::NoSay) idCheck_ = idCheckOfLine(line, memberId_);
        // The last name line gives the name, as for the analysis.
        if (auto name = memberNameInLine(line, memberId_)) named_ = name->find_first_not_of(' ') != std::string::npos;
        if (endsDocument(line)) documentEnd_ = true;
    }
    // The site's page for an unknown ID is a proper answer: the run reports it.
    bool passed() const {
        return lines_ <= kMostHistoryPageLines && (idCheck_ == IdCheck::Wrong || (named_ && documentEnd_));
    }

private:
    const std::string_view memberId_;
    std::size_t lines_ = 0;
    IdCheck idCheck_ = IdCheck::NoSay;
    bool named_ = false;
    bool documentEnd_ = false;
};

template <typename Scan>
bool scanBytes(Scan scan, std::string_view pageBytes) {
    LineSplitter lines(pageBytes);
    while (auto line = lines.next()) scan.add(*line);
    return scan.passed();
}

template <typename Scan>
bool scanLines(Scan scan, const std::vector<std::string>& lines) {
    for (const auto& line : lines) scan.add(line);
    return scan.passed();
}

}  // namespace

std::optional<std::string> crosstablePageProblem(std::string_view pageBytes) {
    if (scanBytes(CrosstableScan(), pageBytes)) return std::nullopt;
    return std::string(kNotCrosstablePage);
}

std::optional<std::string> crosstablePageProblem(const std::vector<std::string>& lines) {
    if (scanLines(CrosstableScan(), lines)) return std::nullopt;
    return std::string(kNotCrosstablePage);
}

std::optional<std::string> historyPageProblem(std::string_view pageBytes, std::string_view memberId) {
    if (scanBytes(HistoryScan(memberId), pageBytes)) return std::nullopt;
    return std::string(kNotHistoryPage);
}

std::optional<std::string> historyPageProblem(const std::vector<std::string>& lines, std::string_view memberId) {
    if (scanLines(HistoryScan(memberId), lines)) return std::nullopt;
    return std::string(kNotHistoryPage);
}

}  // namespace krv

#include "acquisition/event_parser.h"

#include <optional>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "platform/text.h"
#include "shell/session.h"

namespace krv {

namespace {

// Column layout of a crosstable page (1-based character positions).
constexpr std::size_t kTitleNameColumn = 35;
constexpr std::size_t kFirstCellColumn = 133;
constexpr std::size_t kCellWidth = 5;
constexpr std::size_t kCellStep = 6;
constexpr std::size_t kKindColumn = 20;
constexpr std::size_t kPreRatingColumn = 23;
constexpr std::size_t kPostRatingColumn = 32;
constexpr std::size_t kRatingWidth = 4;
// Counted from the anchor, the position just before the pair number's last
// digit, in a player's first row line.
constexpr std::size_t kIdOffset = 32;
constexpr std::size_t kIdWidth = 8;
constexpr std::size_t kNameOffset = 41;
constexpr std::size_t kNameWidth = 32;

constexpr std::string_view kCrLf = "\r\n";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!isDigit(c)) return false;
    return true;
}

// Blanks only: a tab in a cell is part of the pair number text.
std::string trimSpaces(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return std::string(text.substr(b, e - b));
}

std::string regularForm(std::string rating) { return rating == "Unra" ? "UnR" : rating; }

// A page field copied into a comma-delimited record must not add a field or
// open a quoted one; on any real page these columns hold digits and blanks.
std::string recordSafe(std::string field) {
    for (char& c : field)
        if (c == ',' || c == '"') c = '-';
    return field;
}

std::string opponentName(std::string_view line, std::size_t anchor) {
    std::string name = replaceAll(mid(line, anchor + kNameOffset, kNameWidth), "</a>", "");
    // A name of 29 to 32 characters leaves part of its closing link tag.
    const std::size_t tag = name.find('<');
    if (tag != std::string::npos) name.erase(tag);
    name = replaceAll(std::move(name), ",", "-");
    return replaceAll(std::move(name), "\"", " ");
}

struct RatingLine {
    std::string kind;
    std::string pre;
    std::string post;
};

RatingLine readRatingLine(std::string_view line) {
    return {mid(line, kKindColumn, 2), mid(line, kPreRatingColumn, kRatingWidth),
            mid(line, kPostRatingColumn, kRatingWidth)};
}

bool isQuickRating(const RatingLine& rating) { return rating.kind == "Q:"; }

// The first line of a file that holds each pair-number marker ">N<", built
// once per file on first use, so that looking up an opponent does not mean
// reading the file again from the top for every game.
class PairMarkerIndex {
public:
    explicit PairMarkerIndex(const std::vector<std::string_view>& lines) : lines_(lines) {}

    // Index of the first line that contains ">" + number + "<".
    std::optional<std::size_t> firstLineWith(const std::string& number) {
        if (!allDigits(number)) return scan(">" + number + "<");
        if (!built_) build();
        auto it = firstLine_.find(number);
        if (it == firstLine_.end()) return std::nullopt;
        return it->second;
    }

private:
    void build() {
        built_ = true;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = lines_[i];
            for (std::size_t at = line.find('>'); at != std::string_view::npos; at = line.find('>', at + 1)) {
                std::size_t end = at + 1;
                while (end < line.size() && isDigit(line[end])) ++end;
                if (end > at + 1 && end < line.size() && line[end] == '<')
                    firstLine_.try_emplace(std::string(line.substr(at + 1, end - at - 1)), i);
            }
        }
    }

    std::optional<std::size_t> scan(const std::string& marker) const {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (contains(lines_[i], marker)) return i;
        return std::nullopt;
    }

    const std::vector<std::string_view>& lines_;
    bool built_ = false;
    std::unordered_map<std::string, std::size_t> firstLine_;
};

class SectionFileParser {
public:
    // lines are views into the file's bytes, which outlive the parser.
    SectionFileParser(KrvSession& session, const std::string& fileName, std::vector<std::string_view> lines,
                      std::ostream& gameList, std::ostream& streak)
        : state_(session.state),
          memberId_(left(session.ui.CmbID, 8)),
          fileName_(fileName),
          date_(recordSafe(left(fileName, 8))),
          lines_(std::move(lines)),
          pairs_(lines_),
          gameList_(gameList),
          streak_(streak) {}

    void run() {
        const std::size_t firstRow = readHeader();
        if (memberId_.empty()) return;  // every line with a "-" would pass for the member's row
        state_.eventName = replaceAll(state_.eventName, "\"", "-");
        const std::string rowNeedle = memberId_ + "-";
        for (std::size_t i = firstRow; i < lines_.size(); ++i) {
            if (!contains(lines_[i], rowNeedle)) continue;
            if (i + 1 >= lines_.size()) break;  // the row's rating line is missing
            const std::string_view row = lines_[i];
            RatingLine member = readRatingLine(lines_[++i]);
            if (isQuickRating(member)) continue;
            member.pre = regularForm(member.pre);
            for (std::size_t pos = kFirstCellColumn; pos < row.size(); pos += kCellStep)
                handleCell(mid(row, pos, kCellWidth), member);
        }
    }

private:
    // Reads the title up to the "Note:" line that opens the rows; returns the
    // index of the first row line. A file without a title keeps the event
    // name of the file parsed before it.
    std::size_t readHeader() {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = lines_[i];
            if (contains(line, "Note:")) return i + 1;
            if (contains(line, "<title>")) state_.eventName = eventNameOf(line);
        }
        return lines_.size();
    }

    static std::string eventNameOf(std::string_view titleLine) {
        const std::size_t at = findPos(titleLine, "(Event");
        const std::size_t length = at >= kTitleNameColumn ? at - kTitleNameColumn : 1;
        std::string name = replaceAll(mid(titleLine, kTitleNameColumn, length), ",", "-");
        return replaceAll(std::move(name), "\"", "-");
    }

    void handleCell(const std::string& cell, const RatingLine& member) {
        if (cell.empty()) return;
        const char letter = cell[0];
        const char* outcome = letter == 'W' ? "Win" : letter == 'L' ? "Loss" : letter == 'D' ? "Draw" : nullptr;
        if (!outcome) return;
        streak_ << outcome << ',' << date_ << ',' << state_.eventName << kCrLf;
        const std::string score = letter == 'W' ? " 1" : letter == 'L' ? " 0" : " .5";

        const std::string number = trimSpaces(mid(cell, 2, kCellWidth - 1));
        const auto opponentLine = pairs_.firstLineWith(number);
        if (!opponentLine) return;
        const std::string_view line = lines_[*opponentLine];
        // Pair numbers are right-aligned, so counting from just before the
        // last digit puts the ID and the name at fixed distances.
        const std::size_t marker = findPos(line, ">" + number + "<");
        const std::size_t anchor = marker + number.size() - 1;
        const std::string id = mid(line, anchor + kIdOffset, kIdWidth);
        const std::string name = opponentName(line, anchor);

        if (*opponentLine + 1 >= lines_.size()) return;  // no rating line to read
        RatingLine opponent = readRatingLine(lines_[*opponentLine + 1]);
        if (isQuickRating(opponent)) return;

        if (id.size() != kIdWidth || member.pre == "    ") return;
        gameList_ << recordSafe(id) << ',' << name << ',' << score << ',' << recordSafe(member.pre) << ','
                  << recordSafe(regularForm(opponent.pre)) << ',' << recordSafe(member.post) << ',' << date_
                  << ',' << state_.eventName << ',' << fileName_ << kCrLf;
        ++state_.gameCount;
        ++state_.gamesThisAnalysis;
    }

    ModuleState& state_;
    const std::string memberId_;
    const std::string& fileName_;
    const std::string date_;
    const std::vector<std::string_view> lines_;
    PairMarkerIndex pairs_;
    std::ostream& gameList_;
    std::ostream& streak_;
};

}  // namespace

void analysedata(KrvSession& session, const std::string& Workwiththis, std::ostream& gameList,
                 std::ostream& streak) {
    if (Workwiththis.empty() || Workwiththis == "..") return;
    session.state.eventFileName = Workwiththis;
    const auto bytes = readFileBytes(session.state.dataDir + Workwiththis);
    if (!bytes) return;
    SectionFileParser(session, Workwiththis, splitLineViews(*bytes), gameList, streak).run();
}

}  // namespace krv

#include "acquisition/event_parser.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/text.h"
#include "session/member_id.h"
#include "session/session.h"

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

// Blanks only: a tab in a cell is part of the pair number text.
std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string_view regularForm(std::string_view rating) { return rating == "Unra" ? "UnR" : rating; }

// A page field copied into a comma-delimited record must not add a field or
// open a quoted one; on any real page these columns hold digits and blanks.
void appendRecordSafe(std::string& out, std::string_view field) {
    for (char c : field) out += (c == ',' || c == '"') ? '-' : c;
}

// Writes the opponent's name into `name`, whose storage is reused from
// game to game.
void readOpponentName(std::string_view line, std::size_t anchor, std::string& name) {
    name.assign(midView(line, anchor + kNameOffset, kNameWidth));
    for (std::size_t at = name.find("</a>"); at != std::string::npos; at = name.find("</a>", at)) name.erase(at, 4);
    // A name of 29 to 32 characters leaves part of its closing link tag.
    const std::size_t tag = name.find('<');
    if (tag != std::string::npos) name.erase(tag);
    for (char& c : name) {
        if (c == ',') c = '-';
        else if (c == '"') c = ' ';
    }
}

// Views into a rating line of the page.
struct RatingLine {
    std::string_view kind;
    std::string_view pre;
    std::string_view post;
};

RatingLine readRatingLine(std::string_view line) {
    return {midView(line, kKindColumn, 2), midView(line, kPreRatingColumn, kRatingWidth),
            midView(line, kPostRatingColumn, kRatingWidth)};
}

bool isQuickRating(const RatingLine& rating) { return rating.kind == "Q:"; }

// Where a pair-number marker ">N<" first stands in a file.
struct MarkerPlace {
    std::size_t line;
    std::size_t column;  // 0-based, in that line
};

// The first place of each pair-number marker, found in one pass over the
// file on first use, so that looking up an opponent does not mean reading
// the file again from the top for every game. Pair numbers as they are
// written (without leading zeros, below kIndexedNumbers) are kept in a
// table; any other marker text is searched for.
class PairMarkerIndex {
public:
    explicit PairMarkerIndex(const std::vector<std::string_view>& lines) : lines_(lines) {}

    std::optional<MarkerPlace> firstPlaceOf(std::string_view number) {
        const long value = indexedValue(number);
        if (value < 0) return scan(">" + std::string(number) + "<");
        if (!built_) build();
        if (static_cast<std::size_t>(value) >= places_.size() || !places_[value]) return std::nullopt;
        return places_[value];
    }

private:
    static constexpr long kIndexedNumbers = 100000;

    // The table slot of a marker text; -1 for texts kept out of the table.
    static long indexedValue(std::string_view number) {
        if (number.empty() || number.size() > 5 || (number[0] == '0' && number.size() > 1)) return -1;
        long value = 0;
        for (char c : number) {
            if (!isDigit(c)) return -1;
            value = value * 10 + (c - '0');
        }
        return value;
    }

    void build() {
        built_ = true;
        places_.reserve(256);  // enough for the pair numbers of most sections
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = lines_[i];
            for (std::size_t at = line.find('>'); at != std::string_view::npos; at = line.find('>', at + 1)) {
                std::size_t end = at + 1;
                while (end < line.size() && isDigit(line[end])) ++end;
                if (end == at + 1 || end >= line.size() || line[end] != '<') continue;
                const long value = indexedValue(line.substr(at + 1, end - at - 1));
                if (value < 0) continue;
                if (static_cast<std::size_t>(value) >= places_.size()) places_.resize(value + 1);
                if (!places_[value]) places_[value] = MarkerPlace{i, at};
            }
        }
    }

    std::optional<MarkerPlace> scan(const std::string& marker) const {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::size_t at = lines_[i].find(marker);
            if (at != std::string_view::npos) return MarkerPlace{i, at};
        }
        return std::nullopt;
    }

    const std::vector<std::string_view>& lines_;
    bool built_ = false;
    std::vector<std::optional<MarkerPlace>> places_;
};

class SectionFileParser {
public:
    // lines are views into the file's bytes, which outlive the parser.
    SectionFileParser(std::string_view memberId, const std::string& fileName, std::vector<std::string_view> lines,
                      SectionParseState& state, std::string& gameList, std::string& streak)
        : state_(state),
          memberId_(memberId),
          fileName_(fileName),
          date_(recordSafeCopy(left(fileName, 8))),
          lines_(std::move(lines)),
          pairs_(lines_),
          gameList_(gameList),
          streak_(streak) {}

    void run() {
        const std::size_t firstRow = readHeader();
        if (memberId_.empty()) return;  // every line with a "-" would pass for the member's row
        state_.eventName = replaceAll(state_.eventName, "\"", "-");
        const std::string rowNeedle = std::string(memberId_) + "-";
        for (std::size_t i = nextLineWith(rowNeedle, firstRow); i < lines_.size(); i = nextLineWith(rowNeedle, i + 1)) {
            if (i + 1 >= lines_.size()) break;  // the row's rating line is missing
            const std::string_view row = lines_[i];
            RatingLine member = readRatingLine(lines_[++i]);
            if (isQuickRating(member)) continue;
            member.pre = regularForm(member.pre);
            for (std::size_t pos = kFirstCellColumn; pos < row.size(); pos += kCellStep)
                handleCell(midView(row, pos, kCellWidth), member);
        }
    }

private:
    static std::string recordSafeCopy(std::string_view field) {
        std::string out;
        appendRecordSafe(out, field);
        return out;
    }

    // The index of the first line at or after `from` that holds needle;
    // lines_.size() when none does. The lines are views into one block of
    // bytes, so the block is searched at once rather than line by line.
    std::size_t nextLineWith(std::string_view needle, std::size_t from) const {
        while (from < lines_.size()) {
            const char* start = lines_[from].data();
            const char* stop = lines_.back().data() + lines_.back().size();
            // The member's ID is mostly digits, as are the pages: a search
            // that stops at every "1" is slow, memmem skips ahead.
            const char* hit = static_cast<const char*>(
                ::memmem(start, static_cast<std::size_t>(stop - start), needle.data(), needle.size()));
            if (!hit) return lines_.size();
            // The line the match starts in; a match across a line end is
            // no match, and the search goes on after that line.
            auto line = std::upper_bound(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(), hit,
                                         [](const char* p, std::string_view l) { return p < l.data(); });
            const std::size_t index = static_cast<std::size_t>(line - lines_.begin()) - 1;
            if (contains(lines_[index], needle)) return index;
            from = index + 1;
        }
        return lines_.size();
    }

    // Reads the title up to the "Note:" line that opens the rows; returns the
    // index of the first row line. A file without a title keeps the event
    // name of the file parsed before it.
    std::size_t readHeader() {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view line = lines_[i];
            if (contains(line, "Note:")) return i + 1;
            if (contains(line, "<title>")) {
                state_.eventName = eventNameOf(line);
                state_.eventNameSeen = true;
            }
        }
        return lines_.size();
    }

    static std::string eventNameOf(std::string_view titleLine) {
        const std::size_t at = findPos(titleLine, "(Event");
        const std::size_t length = at >= kTitleNameColumn ? at - kTitleNameColumn : 1;
        std::string name = replaceAll(mid(titleLine, kTitleNameColumn, length), ",", "-");
        return replaceAll(std::move(name), "\"", "-");
    }

    void handleCell(std::string_view cell, const RatingLine& member) {
        if (cell.empty()) return;
        const char letter = cell[0];
        const char* outcome = letter == 'W' ? "Win" : letter == 'L' ? "Loss" : letter == 'D' ? "Draw" : nullptr;
        if (!outcome) return;
        if (!state_.eventNameSeen) state_.usedEarlierName = true;
        streak_.append(outcome).append(",").append(date_).append(",").append(state_.eventName).append(kCrLf);
        const std::string_view score = letter == 'W' ? " 1" : letter == 'L' ? " 0" : " .5";

        const std::string_view number = trimSpaces(cell.substr(1, kCellWidth - 1));
        const auto place = pairs_.firstPlaceOf(number);
        if (!place) return;
        const std::string_view line = lines_[place->line];
        // Pair numbers are right-aligned, so counting from just before the
        // last digit puts the ID and the name at fixed distances.
        const std::size_t anchor = place->column + 1 + number.size() - 1;
        const std::string_view id = midView(line, anchor + kIdOffset, kIdWidth);
        readOpponentName(line, anchor, name_);

        if (place->line + 1 >= lines_.size()) return;  // no rating line to read
        const RatingLine opponent = readRatingLine(lines_[place->line + 1]);
        if (isQuickRating(opponent)) return;

        if (id.size() != kIdWidth || member.pre == "    ") return;
        appendRecordSafe(gameList_, id);
        gameList_.append(",").append(name_).append(",").append(score).append(",");
        appendRecordSafe(gameList_, member.pre);
        gameList_ += ',';
        appendRecordSafe(gameList_, regularForm(opponent.pre));
        gameList_ += ',';
        appendRecordSafe(gameList_, member.post);
        gameList_.append(",").append(date_).append(",").append(state_.eventName).append(",");
        gameList_.append(fileName_).append(kCrLf);
        ++state_.games;
    }

    SectionParseState& state_;
    const std::string_view memberId_;
    const std::string& fileName_;
    const std::string date_;
    const std::vector<std::string_view> lines_;
    PairMarkerIndex pairs_;
    std::string& gameList_;
    std::string& streak_;
    std::string name_;
};

}  // namespace

void analysedata(KrvSession& session, const std::string& Workwiththis, std::string& gameList, std::string& streak) {
    if (Workwiththis.empty() || Workwiththis == "..") return;
    const auto bytes = readFileBytes(session.state.dataDir + Workwiththis);
    analysedata(session, Workwiththis, bytes ? std::optional<std::string_view>(*bytes) : std::nullopt, gameList,
                streak);
}

void parseSectionFile(std::string_view memberId, const std::string& fileName, std::string_view bytes,
                      SectionParseState& state, std::string& gameList, std::string& streak) {
    SectionFileParser(memberId, fileName, splitLineViews(bytes), state, gameList, streak).run();
}

void analysedata(KrvSession& session, const std::string& Workwiththis, std::optional<std::string_view> bytes,
                 std::string& gameList, std::string& streak) {
    if (Workwiththis.empty() || Workwiththis == "..") return;
    auto& st = session.state;
    st.eventFileName = Workwiththis;
    if (!bytes) return;
    const auto member = idBoxMember(session);
    SectionParseState state{st.eventName};
    parseSectionFile(member ? member->text() : std::string_view(), Workwiththis, *bytes, state, gameList, streak);
    st.eventName = std::move(state.eventName);
    st.gameCount += state.games;
    st.gamesThisAnalysis += state.games;
}

}  // namespace krv

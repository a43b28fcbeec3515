// The pages of the bundled sample rating service, built without any HTTP.
//
// The catalog holds every sample event (the data files kept beside this
// header, compiled into the library, plus two generated histories), and the
// page builders turn it into the three kinds of page the program downloads:
// a member's tournament history, an event crosstable and a member's main
// page. Everything is deterministic: the same build always yields the same
// bytes, so tests and benchmarks can use the pages without a server.
//
// Text is 8-bit throughout: one byte is one character, and names may hold
// Latin-1 letters, which the pages carry unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace krv::sample {

// ---- the data model --------------------------------------------------------

struct Cell {
    char result = ' ';  // W L D (played), B H X F U (byes, forfeits, unplayed), ' '
    int opponent = 0;   // opponent's pair number, 0 when the cell has none
    char color = ' ';   // 'W', 'B' or ' '
};

struct Player {
    int pair = 0;
    std::string name;         // at most 32 bytes, no trailing blanks
    std::string id;           // 8 digits
    std::string state;        // as shown in the crosstable, e.g. "MI"
    std::string total;        // points as shown, e.g. "4.5"
    std::string norm;         // e.g. "N:2", often empty
    std::string kind;         // "R:" regular rating, "Q:" quick rating
    std::string preRating;    // as shown: "1794", "1641P17", " 980P12", "Unrated"
    std::string postRating;   // the same form
    std::vector<Cell> cells;  // one per round
};

struct Section {
    int number = 1;
    std::string title;  // e.g. "U1800"; may be empty
    int rounds = 0;
    std::vector<Player> players;  // in pair-number order, pair k at index k-1
};

struct Event {
    std::string number;  // 12 digits, beginning with the end date YYYYMMDD
    std::string name;
    std::vector<Section> sections;

    std::string date() const { return number.substr(0, 8); }  // YYYYMMDD
    std::size_t playerCount() const;
};

// ---- the plain-text crosstable layout ----------------------------------------
//
// The data files hold crosstables in the rating website's plain-text layout:
// per player a first line (pair number, name, total, one 5-character cell per
// round from column 48, every 6) and a second line (state, ID, "R: pre->post"
// with the kind at columns 20-21, the pre-event rating at 23-29 and the
// post-event rating at 32-40, then one colour per round). A line
// "Section: N TITLE" starts a further section.

// Parses such a text; throws std::runtime_error naming the offending line.
std::vector<Section> parseCrosstableText(std::string_view text);
// The exact inverse for what the data files hold.
std::string crosstableText(const std::vector<Section>& sections, bool withSectionLines);

// ---- the catalog -------------------------------------------------------------

struct Appearance {
    const Event* event = nullptr;
    const Section* section = nullptr;
    const Player* player = nullptr;
};

struct Member {
    std::string id;
    std::string name;                 // as in the member's newest event
    std::vector<Appearance> history;  // newest event first
};

// What the program should extract for one member.
struct MemberSummary {
    std::string id;
    std::string name;
    int events = 0;        // events in the history
    int historyPages = 0;  // at least 1
    int multiSection = 0;  // events of the history with more than one section
    int ratedGames = 0;    // W/L/D cells of regular-rated rows against non-quick opponents
    int quickRows = 0;     // events where the member's row is quick-rated
};

class Catalog {
public:
    // The bundled data and the generated histories, built once on first use.
    static const Catalog& bundled();

    // Builds a catalog from the given events (for tests of the builders).
    explicit Catalog(std::vector<Event> events);
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    const std::vector<Event>& events() const { return events_; }  // by event number
    const Event* findEvent(std::string_view number) const;
    const Member* findMember(std::string_view id) const;
    std::vector<const Member*> members() const;  // by ID

    MemberSummary summary(const Member& member) const;

    // Inconsistencies in the data: results that do not mirror each other,
    // pair numbers out of order, malformed IDs, one ID with two names.
    // Empty for sound data.
    std::vector<std::string> problems() const;

private:
    std::vector<Event> events_;
    std::vector<Member> members_;  // sorted by ID
};

// Events listed per history page.
inline constexpr int kEventsPerHistoryPage = 50;

// The bundled members and what each one is for (see README.md).
struct BundledMember {
    std::string_view id;
    std::string_view purpose;
};
const std::vector<BundledMember>& bundledMembers();

inline constexpr std::string_view kRealCrosstableMemberId = "30302490";
inline constexpr std::string_view kMultiSectionMemberId = "12843395";
inline constexpr std::string_view kUnratedStartMemberId = "14210017";
inline constexpr std::string_view kOnePageMemberId = "13377702";
inline constexpr std::string_view kQuickOnlyMemberId = "15550123";
inline constexpr std::string_view kLargeEventMemberId = "16620841";
inline constexpr std::string_view kBenchmarkMemberId = "17000001";
inline constexpr std::string_view kBusyMemberId = "17000300";
inline constexpr std::string_view kLargeEventNumber = "201811100051";
inline constexpr std::string_view kThreeSectionEventNumber = "201311160008";
inline constexpr std::string_view kRealCrosstableEventNumber = "201907140021";

// ---- the pages -------------------------------------------------------------

// page 0 is the history's first page as fetched without a page suffix (it
// shows the same events as page 1); pages past the last list no events.
// An ID the catalog does not hold yields the error page.
std::string historyPage(const Catalog& catalog, std::string_view memberId, int page);
std::string crosstablePage(const Event& event);
std::string memberMainPage(const Catalog& catalog, std::string_view memberId);
// The page an unknown member ID gets (from either member address).
std::string unknownMemberPage(std::string_view memberId);

// Column facts the pages keep (1-based positions), shared with the tests.
inline constexpr std::size_t kFirstCellColumn = 133;
inline constexpr std::size_t kCellSpacing = 6;
inline constexpr std::size_t kPairDigitColumn = 50;    // last digit of the pair number
inline constexpr std::size_t kHistoryLinkColumn = 23;  // "XtblMain.php?" on the third line after "Detail:"

// ---- answering a request ---------------------------------------------------

struct PageAnswer {
    int status = 200;
    std::string contentType;
    std::string body;
};

// The answer to a request target such as "/krv/XtblMain.php?201907140021.0-30302490".
// Unknown paths and unknown event numbers get 404.
PageAnswer answerPageRequest(const Catalog& catalog, std::string_view target);

}  // namespace krv::sample

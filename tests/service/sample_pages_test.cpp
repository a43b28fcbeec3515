// The sample data and its pages: the data sound, faithful to its files and
// holding what each bundled member is for; every page, read back by the
// program's markers and columns, giving what the data and the member table hold.
#include "page_reader.h"
#include "sample_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>

namespace krv::sample {
namespace {

using namespace reader;

const Catalog& cat() { return Catalog::bundled(); }

std::string get(const std::string& target) {
    PageAnswer a = answerPageRequest(cat(), target);
    EXPECT_EQ(a.status, 200) << target;
    return a.body;
}

TEST(SampleData, SoundAndReadBackByteForByte) {
    std::vector<std::string> problems = cat().problems();
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first: " << problems.front();
    for (const EmbeddedFile& f : embeddedFiles()) {
        if (f.name == "events.txt") continue;
        EXPECT_EQ(crosstableText(parseCrosstableText(f.bytes), f.bytes.starts_with("Section: ")), f.bytes) << f.name;
    }
}

TEST(SampleData, GeneratedHistoriesRepeat) {
    const HistoryPlan plan{.memberId = "17000001",
                           .memberName = "TEST MEMBER",
                           .state = "MI",
                           .events = 40,
                           .firstDate = std::chrono::sys_days(std::chrono::year{2001} / 1 / 6),
                           .twoSectionsEvery = 5};
    std::vector<Event> a = generateHistory(plan), b = generateHistory(plan);
    ASSERT_EQ(a.size(), 40u);
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(crosstableText(a[i].sections, true), crosstableText(b[i].sections, true)) << a[i].number;
}

const Appearance& in(std::string_view member, std::string_view event) {
    for (const Appearance& a : cat().findMember(member)->history)
        if (a.event->number == event) return a;
    throw std::runtime_error(std::string(member) + " did not play " + std::string(event));
}

// "result letters, pre-rating | per opponent: pair ID name pre-rating kind;"
std::string played(const Appearance& a) {
    std::string out;
    for (const Cell& c : a.player->cells) out += c.result;
    out += " " + a.player->preRating + " |";
    for (const Cell& c : a.player->cells)
        if (c.opponent) {
            const Player& o = a.section->players[static_cast<std::size_t>(c.opponent - 1)];
            out += " " + std::to_string(o.pair) + " " + o.id + " " + o.name + " " + o.preRating + " " + o.kind + ";";
        }
    return out;
}

// What the members are for, beyond the counts of the member table (which pin
// the quick-rated rows and opponents).
TEST(SampleData, MembersHoldTheirCases) {
    EXPECT_TRUE(played(in(kRealCrosstableMemberId, kRealCrosstableEventNumber))  // byes, provisional below 1000
                    .starts_with("BLWLHLW  980P12 | 5 30138674 LENA REDFERN 1655 R:;"));
    EXPECT_EQ(played(in(kLargeEventMemberId, kLargeEventNumber)),  // three-digit pairs, 31- and 32-character names
              "WLLWL 1615P23 | 101 18049630 GORDON A DRYSDALE  943 R:; 13 13843366 CHRISTOPHER ALEXANDER "
              "WENTWORTH 1601 R:; 39 12687923 TOBY B UPCHURCH 1599 R:; 104 29327712 EDWINA MACALLISTER 1576 R:; "
              "38 20618228 MARIA JOSEFINA DE LA CRUZ ESTEVE 1662 R:;");
    EXPECT_NE(crosstablePage(*cat().findEvent(kLargeEventNumber)).find("REN\xC9 DUBOIS-LAFLEUR"), std::string::npos);
    EXPECT_EQ(in(kMultiSectionMemberId, kThreeSectionEventNumber).section->number, 3);
    const std::vector<Appearance>& wren = cat().findMember(kUnratedStartMemberId)->history;
    ASSERT_EQ(wren.size(), 4u);
    EXPECT_EQ(wren[0].event->name, "MAYFLOWER \"SPRING\" OPEN, RESERVE");
    EXPECT_EQ(wren[1].event->date(), wren[2].event->date());
    EXPECT_TRUE(
        played(wren[3]).starts_with("LWLD Unrated | 3 13164753 IRIS VICKERY  952 R:; 10 21960122 WILMA "
                                    "HOLLINGWORTH Unrated R:; 6 27750608 FRANKLIN S MACALLISTER Unrated R:;"));
}

// Every player of the event: the pair marker, the ID at anchor + 32, the name
// at anchor + 41, the rating line's columns 20-21, 23-26 and 32-35, the cells
// at 133 + 6k up to the line's end, and "ID-" nowhere but in the player's row.
void checkCrosstable(const Event& ev) {
    const std::string page = crosstablePage(ev);
    const std::vector<std::string> files = splitSections(page);
    ASSERT_EQ(files.size(), ev.sections.size()) << ev.number;
    EXPECT_EQ(eventName(files[0]), ev.name + " ");
    for (std::size_t s = 0; s < files.size(); ++s) {
        EXPECT_NE(files[s].find("Note:"), std::string::npos) << ev.number << " section " << s + 1;
        const std::vector<std::string> ls = lines(files[s]);
        for (const Player& p : ev.sections[s].players) {
            const std::string marker = ">" + std::to_string(p.pair) + "<", idDash = p.id + "-";
            auto row = std::ranges::find_if(ls, [&](const std::string& l) { return l.find(marker) != l.npos; });
            ASSERT_LT(row, ls.end() - 1) << ev.number << " " << marker;
            const std::size_t anchor = row->find(marker) + marker.size() - 2;
            std::string cells;
            for (const Cell& c : p.cells) {
                std::string opponent = c.opponent ? std::to_string(c.opponent) : "";
                cells += c.result + std::string(4 - opponent.size(), ' ') + opponent + "|";
            }
            EXPECT_EQ(mid(*row, anchor + 32, 8) + "|" + mid(*row, anchor + 41, 32) + "|" + mid(row[1], 20, 2) + "|" +
                          mid(row[1], 23, 4) + "|" + mid(row[1], 32, 4) + "|" + mid(*row, 133),
                      p.id + "|" + (p.name + "</a>" + std::string(32, ' ')).substr(0, 32) + "|" + p.kind + "|" +
                          (p.preRating + "    ").substr(0, 4) + "|" + (p.postRating + "    ").substr(0, 4) + "|" +
                          cells)
                << ev.number << " section " << s + 1 << " pair " << p.pair;
            EXPECT_TRUE(row->find(idDash) != std::string::npos &&
                        page.find(idDash, page.find(idDash) + 1) == std::string::npos)
                << ev.number << " " << p.id;
        }
    }
}

TEST(CrosstablePages, EveryPlayerReadsBackAtTheProgramsColumns) {
    std::set<const Event*> bench;  // of the benchmark's 1,600 look-alike events one in 16 is enough
    for (const Appearance& a : cat().findMember(kBenchmarkMemberId)->history) bench.insert(a.event);
    int benchSeen = 0;
    for (const Event& ev : cat().events())
        if (!bench.count(&ev) || benchSeen++ % 16 == 0) checkCrosstable(ev);
}

// Each member followed from the first history page to the game records, as the program does.
TEST(MemberPages, EveryBundledMemberReadsBackAsInTheMemberTable) {
    // counts: events, history pages, multi-section events, rated games, quick rows; rating: the 4
    // characters the main page shows at "Regular Rating" + 37
    struct Row {
        std::string id;
        std::array<int, 5> counts;
        std::string rating;
    };
    const std::vector<Row> table{
        {"30302490", {6, 1, 0, 25, 0}, "1077"},       {"12843395", {121, 3, 16, 474, 0}, "1420"},
        {"14210017", {4, 1, 0, 11, 1}, " 885"},       {"13377702", {4, 1, 1, 18, 0}, "1863"},
        {"15550123", {2, 1, 0, 0, 2}, "Unra"},        {"16620841", {3, 1, 1, 14, 0}, "1584"},
        {"17000001", {1600, 32, 0, 9600, 0}, "1664"}, {"17000300", {300, 6, 0, 1350, 0}, "1503"}};
    ASSERT_EQ(bundledMembers().size(), table.size());
    for (const Row& r : table) {
        const Member* m = cat().findMember(r.id);
        ASSERT_NE(m, nullptr) << r.id;
        MemberSummary s = cat().summary(*m);
        EXPECT_EQ((std::array{s.events, s.historyPages, s.multiSection, s.ratedGames, s.quickRows}), r.counts) << r.id;
        const std::string history = "/krv/MbrDtlTnmtHst.php?" + r.id, main = get("/krv/MbrDtlMain.php?" + r.id);
        const int links = readHistory(get(history), r.id).pageLinks;
        std::vector<std::string> keys, expectedKeys;
        for (int k = 1; k <= std::max(2, links); ++k)  // as the program: at least pages 1 and 2
            for (const std::string& key : readHistory(get(history + "." + std::to_string(k)), r.id).keys)
                keys.push_back(key);
        for (const Appearance& a : m->history) expectedKeys.push_back(a.event->number + ".0-" + r.id);
        EXPECT_EQ(keys, expectedKeys) << r.id;
        int games = 0;
        for (const std::string& key : keys)
            for (const std::string& file : splitSections(get("/krv/XtblMain.php?" + key)))
                games += countGames(file, r.id);
        EXPECT_EQ((std::array{links, games}), (std::array{r.counts[1] > 1 ? r.counts[1] : 0, r.counts[3]})) << r.id;
        EXPECT_EQ(mid(main, findNoCase(main, "Regular Rating") + 37, 4), r.rating) << r.id;
    }
}

TEST(Answers, RefusalsFirstPageAndTheUnknownIdPage) {
    for (const char* target : {"/krv/XtblMain.php?209912310001.0-30302490", "/krv/XtblMain.php?2019", "/krv/Other.php",
                               "/krv/MbrDtlTnmtHst.php?13377702.x", "/krv/MbrDtlTnmtHst.php?13377702.0"})
        EXPECT_EQ(answerPageRequest(cat(), target).status, 404) << target;
    EXPECT_EQ(get("/krv/MbrDtlTnmtHst.php?13377702"), get("/krv/MbrDtlTnmtHst.php?13377702.1"));
    EXPECT_TRUE(findNoCase(get("/krv/MbrDtlTnmtHst.php?12843395.2"), "12843395 Errors in a crosstable? Report MATCH"));
    for (const char* address : {"/krv/MbrDtlTnmtHst.php?", "/krv/MbrDtlMain.php?"}) {
        std::string page = get(address + std::string("<b>&\"x"));
        EXPECT_NE(page.find("\n&lt;b&gt;&amp;&quot;x Error: no member with this ID is on file.\n"), std::string::npos);
        EXPECT_EQ(page.find("<b>&"), std::string::npos) << page;
    }
}

}  // namespace
}  // namespace krv::sample

// Every page read back by the program's markers and columns must give what
// the data model holds.
#include "page_reader.h"
#include "sample_pages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace krv::sample {
namespace {

using namespace reader;

const Catalog& cat() { return Catalog::bundled(); }

std::string get(std::string_view target) {
    PageAnswer a = answerPageRequest(cat(), target);
    EXPECT_EQ(a.status, 200) << target;
    return a.body;
}

std::string first4(const std::string& shown) {
    std::string s = shown;
    s.resize(4, ' ');
    return s;
}

// The name field as the program cuts it: 32 characters from the name column.
std::string nameAsCut(const std::string& name) {
    std::string field = (name + "</a>" + std::string(32, ' ')).substr(0, 32);
    for (std::size_t p; (p = field.find("</a>")) != std::string::npos;) field.erase(p, 4);
    return field;
}

// Checks one crosstable page against its event; returns how many players it checked.
int checkCrosstable(const Event& ev) {
    std::string page = crosstablePage(ev);
    std::vector<std::string> files = splitSections(page);
    EXPECT_EQ(files.size(), ev.sections.size()) << ev.number;
    if (files.size() != ev.sections.size()) return 0;
    std::string eventName;
    readGames(files[0], "--------", eventName);
    EXPECT_EQ(eventName, [&] {
        std::string n = ev.name + " ";
        for (char& c : n)
            if (c == ',') c = '-';
        return n;
    }()) << ev.number;
    int checked = 0;
    for (std::size_t s = 0; s < files.size(); ++s) {
        std::vector<std::string> ls = lines(files[s]);
        bool note = std::any_of(ls.begin(), ls.end(), [](const std::string& l) { return l.find("Note:") != std::string::npos; });
        EXPECT_TRUE(note) << ev.number << " section " << s + 1;
        for (const Player& p : ev.sections[s].players) {
            std::string marker = ">" + std::to_string(p.pair) + "<";
            auto row = std::find_if(ls.begin(), ls.end(), [&](const std::string& l) { return l.find(marker) != std::string::npos; });
            std::string where = ev.number + " section " + std::to_string(s + 1) + " pair " + std::to_string(p.pair);
            if (row == ls.end() || row + 1 == ls.end()) {
                ADD_FAILURE() << where << ": marker not found";
                continue;
            }
            std::size_t anchor = row->find(marker) + 1 + std::to_string(p.pair).size() - 1;
            EXPECT_EQ(mid(*row, anchor + 32, 8), p.id) << where;
            EXPECT_EQ(mid(*row, anchor + 41, 32).size(), 32u) << where;
            std::string name = mid(*row, anchor + 41, 32);
            for (std::size_t q; (q = name.find("</a>")) != std::string::npos;) name.erase(q, 4);
            EXPECT_EQ(name, nameAsCut(p.name)) << where;
            EXPECT_NE(row->find(p.id + "-"), std::string::npos) << where;
            const std::string& rating = *(row + 1);
            EXPECT_EQ(mid(rating, 20, 2), p.kind) << where;
            EXPECT_EQ(mid(rating, 23, 4), first4(p.preRating)) << where;
            EXPECT_EQ(mid(rating, 32, 4), first4(p.postRating)) << where;
            std::size_t k = 0;
            for (std::size_t pos = kFirstCellColumn; pos < row->size(); pos += kCellSpacing, ++k) {
                std::string cell = mid(*row, pos, 5);
                if (k >= p.cells.size()) {
                    EXPECT_TRUE(cell.empty() || (cell[0] != 'W' && cell[0] != 'L' && cell[0] != 'D')) << where;
                    continue;
                }
                EXPECT_EQ(cell[0], p.cells[k].result) << where << " round " << k + 1;
                std::string opp = cell.substr(1);
                opp.erase(0, opp.find_first_not_of(' '));
                EXPECT_EQ(opp, p.cells[k].opponent ? std::to_string(p.cells[k].opponent) : "") << where;
            }
            EXPECT_EQ(k, p.cells.size()) << where;
            // the row search by ID + "-" finds the player in this file only
            for (std::size_t t = 0; t < files.size(); ++t)
                EXPECT_EQ(files[t].find(p.id + "-") != std::string::npos, t == s) << where;
            ++checked;
        }
    }
    return checked;
}

TEST(CrosstablePages, EveryPlayerReadsBackByColumns) {
    // every event, except that of the benchmark member's 1,600 look-alike
    // events one in 16 is enough
    std::set<const Event*> bench;
    for (const Appearance& a : cat().findMember(kBenchmarkMemberId)->history) bench.insert(a.event);
    int players = 0, benchSeen = 0;
    for (const Event& ev : cat().events())
        if (!bench.count(&ev) || benchSeen++ % 16 == 0) players += checkCrosstable(ev);
    EXPECT_GT(players, 2000);
}

TEST(CrosstablePages, SectionsSplitWhereTheProgramSplitsThem) {
    const Event* ev = cat().findEvent(kThreeSectionEventNumber);
    ASSERT_NE(ev, nullptr);
    std::vector<std::string> files = splitSections(crosstablePage(*ev));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_NE(files[0].find("<title>"), std::string::npos);
    EXPECT_EQ(files[1].find("<title>"), std::string::npos);
    EXPECT_TRUE(findNoCase(lines(files[1]).front(), "Section2"));
    EXPECT_TRUE(findNoCase(lines(files[2]).front(), "Section3"));
}

TEST(CrosstablePages, AnswerIgnoresTheMemberTailAndRefusesUnknownEvents) {
    std::string number(kRealCrosstableEventNumber);
    EXPECT_EQ(get("/krv/XtblMain.php?" + number + ".0-30302490"), get("/krv/XtblMain.php?" + number));
    EXPECT_EQ(answerPageRequest(cat(), "/krv/XtblMain.php?209912310001.0-30302490").status, 404);
    EXPECT_EQ(answerPageRequest(cat(), "/krv/XtblMain.php?2019").status, 404);
    EXPECT_EQ(answerPageRequest(cat(), "/krv/Other.php?1").status, 404);
}

// Follows the program from the first history page to the game records.
struct Extraction {
    int passCount = 0;
    std::vector<std::string> keys;
    std::vector<GameRecord> games;
    std::optional<std::string> name;
};

Extraction extract(std::string_view id) {
    Extraction x;
    std::string idText(id);
    x.passCount = pageLinkCount(get("/krv/MbrDtlTnmtHst.php?" + idText), id);
    for (int k = 1; k <= std::max(2, x.passCount); ++k) {
        std::string page = get("/krv/MbrDtlTnmtHst.php?" + idText + "." + std::to_string(k));
        EXPECT_FALSE(wrongIdLine(page, id).has_value()) << id << " page " << k;
        EXPECT_EQ(memberName(page, id), cat().findMember(id)->name) << id << " page " << k;
        for (std::string& key : eventKeys(page, id)) x.keys.push_back(std::move(key));
    }
    std::string eventName;
    for (const std::string& key : x.keys)
        for (const std::string& file : splitSections(get("/krv/XtblMain.php?" + key)))
            for (GameRecord& g : readGames(file, id, eventName)) x.games.push_back(std::move(g));
    return x;
}

TEST(HistoryPages, EveryBundledMemberExtractsAsSummarised) {
    for (const BundledMember& b : bundledMembers()) {
        const Member* m = cat().findMember(b.id);
        ASSERT_NE(m, nullptr) << b.id;
        MemberSummary s = cat().summary(*m);
        Extraction x = extract(b.id);
        EXPECT_EQ(x.passCount, s.historyPages > 1 ? s.historyPages : 0) << b.id;
        ASSERT_EQ(x.keys.size(), m->history.size()) << b.id;
        for (std::size_t i = 0; i < x.keys.size(); ++i)
            EXPECT_EQ(x.keys[i], m->history[i].event->number + ".0-" + m->id) << b.id;
        EXPECT_EQ(static_cast<int>(x.games.size()), s.ratedGames) << b.id;
    }
}

TEST(HistoryPages, RealCrosstableGamesComeOutAsPlayed) {
    Extraction x = extract(kRealCrosstableMemberId);
    std::vector<GameRecord> real;
    for (const GameRecord& g : x.games)
        if (g.eventName == "GREAT LAKES SUMMER SWISS ") real.push_back(g);
    ASSERT_EQ(real.size(), 5u);
    EXPECT_EQ(real[0].opponentId, "30138674");  // round 2, LENA REDFERN
    EXPECT_EQ(real[0].opponentName, "LENA REDFERN" + std::string(16, ' '));  // "</a>" taken out of 32
    EXPECT_EQ(real[0].score, " 0");
    EXPECT_EQ(real[0].opponentPre, "1655");
    EXPECT_EQ(real[0].memberPre, " 980");
    EXPECT_EQ(real[0].memberPost, "1077");
    EXPECT_EQ(real[4].opponentId, "30405958");  // round 7, CELIA LYNDON
    EXPECT_EQ(real[4].score, " 1");
}

TEST(HistoryPages, LongNamesAndUnratedOpponentsAreCutByTheRules) {
    Extraction big = extract(kLargeEventMemberId);
    bool cutInsideTag = false, fullLength = false;
    for (const GameRecord& g : big.games) {
        cutInsideTag |= g.opponentName == "CHRISTOPHER ALEXANDER WENTWORTH<";
        fullLength |= g.opponentName == "MARIA JOSEFINA DE LA CRUZ ESTEVE";
    }
    EXPECT_TRUE(cutInsideTag) << "a 31-character name keeps the \"<\" of its closing tag";
    EXPECT_TRUE(fullLength);

    Extraction unrated = extract(kUnratedStartMemberId);
    int unr = 0, quoted = 0;
    for (const GameRecord& g : unrated.games) {
        unr += g.opponentPre == "UnR";
        quoted += g.eventName == "MAYFLOWER -SPRING- OPEN- RESERVE ";
    }
    EXPECT_GE(unr, 2);
    EXPECT_EQ(unrated.games.front().memberPre, " 807");  // newest event first
    EXPECT_EQ(quoted, 4) << "five rounds, one against a quick-rated row";
    EXPECT_EQ(unrated.games.back().memberPre, "UnR");
}

TEST(HistoryPages, PagesPastTheLastListNothingAndBadSuffixesAreRefused) {
    std::string page = get("/krv/MbrDtlTnmtHst.php?13377702.2");
    EXPECT_TRUE(eventKeys(page, "13377702").empty());
    EXPECT_FALSE(wrongIdLine(page, "13377702"));
    EXPECT_EQ(get("/krv/MbrDtlTnmtHst.php?13377702"), get("/krv/MbrDtlTnmtHst.php?13377702.1"));
    EXPECT_EQ(answerPageRequest(cat(), "/krv/MbrDtlTnmtHst.php?13377702.x").status, 404);
    EXPECT_EQ(answerPageRequest(cat(), "/krv/MbrDtlTnmtHst.php?13377702.0").status, 404);
}

TEST(HistoryPages, UnknownIdIsReportedAndMatchErrorsLineIsNot) {
    std::optional<std::string> bad = wrongIdLine(get("/krv/MbrDtlTnmtHst.php?99999999.1"), "99999999");
    ASSERT_TRUE(bad);
    EXPECT_NE(bad->find("99999999 Error"), std::string::npos);
    EXPECT_TRUE(wrongIdLine(get("/krv/MbrDtlMain.php?99999999"), "99999999"));
    // the member page with a "MATCH ERRORS" line passes the check
    std::string m2 = get("/krv/MbrDtlTnmtHst.php?12843395.1");
    EXPECT_TRUE(findNoCase(m2, "MATCH ERRORS"));
    EXPECT_FALSE(wrongIdLine(m2, "12843395"));
    // text from the request is echoed escaped
    std::string echoed = get("/krv/MbrDtlTnmtHst.php?<b>x");
    EXPECT_EQ(echoed.find("<b>x"), std::string::npos);
}

TEST(MemberPages, CurrentRatingSitsAtItsColumn) {
    std::map<std::string_view, std::string> expected{
        {kRealCrosstableMemberId, "1077"}, {kQuickOnlyMemberId, "Unra"}, {kUnratedStartMemberId, " 885"}};
    for (auto [id, rating] : expected)
        EXPECT_EQ(currentRating(get("/krv/MbrDtlMain.php?" + std::string(id))), rating) << id;
    for (const BundledMember& b : bundledMembers())
        EXPECT_TRUE(currentRating(get("/krv/MbrDtlMain.php?" + std::string(b.id)))) << b.id;
}

}  // namespace
}  // namespace krv::sample

// The sample data: sound, faithful to its files, and holding what each
// bundled member is meant to exercise.
#include "sample_internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace krv::sample {
namespace {

const Catalog& cat() { return Catalog::bundled(); }

const Member& member(std::string_view id) {
    const Member* m = cat().findMember(id);
    if (!m) throw std::runtime_error("missing member " + std::string(id));
    return *m;
}

TEST(SampleData, ResultsMirrorAndIdsAreSound) {
    std::vector<std::string> problems = cat().problems();
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first: " << problems.front();
}

TEST(SampleData, DataFilesReadBackByteForByte) {
    int files = 0;
    for (const EmbeddedFile& f : embeddedFiles()) {
        if (f.name == "events.txt") continue;
        std::vector<Section> sections = parseCrosstableText(f.bytes);
        bool withSectionLines = f.bytes.starts_with("Section: ");
        EXPECT_EQ(crosstableText(sections, withSectionLines), f.bytes) << f.name;
        ++files;
    }
    EXPECT_GE(files, 10);
}

TEST(SampleData, ParserRejectsBrokenLayouts) {
    std::string good(embeddedFiles().front().bytes);
    for (const EmbeddedFile& f : embeddedFiles())
        if (f.name == "crosstable-64.txt") good = f.bytes;
    // a row whose rating line lacks "->" at column 30
    std::string noArrow = good;
    noArrow.replace(noArrow.find("->", noArrow.find("/ R: ")), 2, "  ");
    EXPECT_THROW(parseCrosstableText(noArrow), std::runtime_error);
    // pair numbers must run 1, 2, 3 ...
    std::string skipped = good;
    skipped.replace(skipped.find("    2 | "), 8, "    7 | ");
    EXPECT_THROW(parseCrosstableText(skipped), std::runtime_error);
    EXPECT_THROW(parseCrosstableText("no crosstable here\n"), std::runtime_error);
}

TEST(SampleData, RealCrosstableMemberHasByesAndProvisionalRatings) {
    const Member& m = member(kRealCrosstableMemberId);
    const Appearance* real = nullptr;
    for (const Appearance& a : m.history)
        if (a.event->number == kRealCrosstableEventNumber) real = &a;
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(real->event->playerCount(), 64u);
    std::string letters;
    for (const Cell& c : real->player->cells) letters += c.result;
    EXPECT_EQ(letters, "BLWLHLW");
    EXPECT_EQ(real->player->preRating, " 980P12");
    EXPECT_GT(m.history.size(), 3u);
}

TEST(SampleData, MultiSectionMemberSpansPagesSectionsAndYears) {
    const Member& m = member(kMultiSectionMemberId);
    MemberSummary s = cat().summary(m);
    EXPECT_GE(s.historyPages, 3);
    const Event* three = cat().findEvent(kThreeSectionEventNumber);
    ASSERT_NE(three, nullptr);
    ASSERT_EQ(three->sections.size(), 3u);
    bool inThird = std::any_of(three->sections[2].players.begin(), three->sections[2].players.end(),
                               [&](const Player& p) { return p.id == m.id; });
    EXPECT_TRUE(inThird);
    std::set<std::string> years;
    for (const Appearance& a : m.history) years.insert(a.event->number.substr(0, 4));
    EXPECT_GE(years.size(), 8u);
    EXPECT_GT(s.multiSection, 1);
}

TEST(SampleData, UnratedStartMemberCoversUnratedQuickAndOddNames) {
    const Member& m = member(kUnratedStartMemberId);
    ASSERT_FALSE(m.history.empty());
    EXPECT_EQ(m.history.back().player->preRating, "Unrated");  // the oldest event
    int unratedOpponents = 0, quickRows = 0, quickOpponents = 0;
    bool commaAndQuote = false;
    std::set<std::string> dates;
    bool twoOnOneDate = false;
    for (const Appearance& a : m.history) {
        if (!dates.insert(a.event->date()).second) twoOnOneDate = true;
        if (a.player->kind == "Q:") ++quickRows;
        if (a.event->name.find(',') != std::string::npos && a.event->name.find('"') != std::string::npos)
            commaAndQuote = true;
        for (const Cell& c : a.player->cells) {
            if (!c.opponent) continue;
            const Player& o = a.section->players[static_cast<std::size_t>(c.opponent - 1)];
            if (o.preRating == "Unrated") ++unratedOpponents;
            if (o.kind == "Q:" && a.player->kind == "R:") ++quickOpponents;
        }
    }
    EXPECT_GE(unratedOpponents, 2);
    EXPECT_EQ(quickRows, 1);
    EXPECT_EQ(quickOpponents, 1);
    EXPECT_TRUE(twoOnOneDate);
    EXPECT_TRUE(commaAndQuote);
}

TEST(SampleData, OnePageAndQuickOnlyMembers) {
    EXPECT_EQ(cat().summary(member(kOnePageMemberId)).historyPages, 1);
    MemberSummary quick = cat().summary(member(kQuickOnlyMemberId));
    EXPECT_GT(quick.events, 0);
    EXPECT_EQ(quick.quickRows, quick.events);
    EXPECT_EQ(quick.ratedGames, 0);
}

TEST(SampleData, LargeEventHasThreeDigitPairsAndLongNames) {
    const Event* big = cat().findEvent(kLargeEventNumber);
    ASSERT_NE(big, nullptr);
    EXPECT_GE(big->playerCount(), 100u);
    const Member& m = member(kLargeEventMemberId);
    const Appearance* a = nullptr;
    for (const Appearance& x : m.history)
        if (x.event == big) a = &x;
    ASSERT_NE(a, nullptr);
    int threeDigit = 0, longNames = 0;
    for (const Cell& c : a->player->cells) {
        if (c.opponent >= 100) ++threeDigit;
        if (c.opponent && a->section->players[static_cast<std::size_t>(c.opponent - 1)].name.size() >= 29) ++longNames;
    }
    EXPECT_GE(threeDigit, 1);
    EXPECT_GE(longNames, 1);
    bool latin1 = false;
    for (const Player& p : big->sections[0].players)
        for (unsigned char ch : p.name) latin1 |= ch >= 0x80;
    EXPECT_TRUE(latin1) << "a Latin-1 name keeps the 8-bit path honest";
}

TEST(SampleData, BenchmarkMemberIsLargeAndDeterministic) {
    MemberSummary s = cat().summary(member(kBenchmarkMemberId));
    EXPECT_GE(s.events, 1500);
    EXPECT_GE(s.ratedGames, 9000);

    HistoryPlan plan;
    plan.memberId = "17000001";
    plan.memberName = "TEST MEMBER";
    plan.state = "MI";
    plan.events = 40;
    plan.firstDate = std::chrono::sys_days(std::chrono::year{2001} / 1 / 6);
    plan.twoSectionsEvery = 5;
    std::vector<Event> a = generateHistory(plan), b = generateHistory(plan);
    ASSERT_EQ(a.size(), 40u);
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].number, b[i].number);
        EXPECT_EQ(crosstableText(a[i].sections, true), crosstableText(b[i].sections, true));
    }
    EXPECT_TRUE(Catalog(std::move(a)).problems().empty());
}

}  // namespace
}  // namespace krv::sample

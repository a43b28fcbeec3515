// The checks that a downloaded answer is the page asked for: every page the
// sample service serves and the stored golden event pass; junk, notices,
// error pages and cut-off pages are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "acquisition/page_checks.h"
#include "acquisition/page_lines.h"
#include "support/page_builder.h"

using namespace krv;
using krv::testing::PagePlayer;

namespace {

constexpr const char* kId = "12345678";

bool crosstablePasses(const std::string& page) { return !crosstablePageProblem(page); }
bool historyPasses(const std::string& page, std::string_view id = kId) { return !historyPageProblem(page, id); }

std::string smallCrosstable(int sections = 1) {
    PagePlayer a{1, kId, "JANE DOE", "R:", "1500", "1510", {"W   2"}};
    PagePlayer b{2, "87654321", "JOHN ROE", "R:", "1400", "1390", {"L   1"}};
    return krv::testing::crosstablePage("201203110112", "SPRING OPEN",
                                        std::vector<krv::testing::PageSection>(sections, {a, b}));
}

std::string smallHistory() { return krv::testing::historyPage(kId, "JANE DOE", {"201203110112"}, 0); }

std::string replaced(std::string page, const std::string& from, const std::string& to) {
    const std::size_t at = page.find(from);
    if (at != std::string::npos) page.replace(at, from.size(), to);
    return page;
}

// Pages that are no pages of the service, each refused by both checks.
const std::vector<std::pair<std::string, std::string>>& junkAnswers() {
    static const std::vector<std::pair<std::string, std::string>> answers = [] {
        std::vector<std::pair<std::string, std::string>> a = {
            {"empty", ""},
            {"line ends only", std::string(4096, '\n')},
            // A notice with the markup a careless check would take for a crosstable.
            {"maintenance",
             "<html>\n<head>\n<title>Rating Service</title>\n</head>\n<body>\n"
             "<h1>The rating service is down for maintenance</h1>\n"
             "<p>Note: we expect to be back at 06:00.</p>\n<table><tr><td>1</td><td>2</td></tr>\n"
             "<tr><td>Please try again later.</td></tr></table>\n</body>\n</html>\n"},
            {"server error",
             "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML 2.0//EN\">\n<html><head>\n<title>500 Internal Server "
             "Error</title>\n</head><body>\n<h1>Internal Server Error</h1>\n<p>The server encountered an internal "
             "error.</p>\n</body></html>\n"},
            {"not found",
             "<html>\n<head><title>404</title></head>\n<body>\n<h3>Error 404</h3>\n<p>Not Found</p>\n"
             "</body>\n</html>\n"},
            {"plain text", "Service Unavailable\r\n"},
        };
        for (unsigned seed : {1u, 2u, 3u, 17u, 4242u}) {
            std::mt19937 random(seed);
            std::string bytes(1 + random() % 200000, '\0');
            for (char& c : bytes) c = static_cast<char>(random() & 0xff);
            a.emplace_back("random bytes, seed " + std::to_string(seed), bytes);
        }
        return a;
    }();
    return answers;
}

}  // namespace

TEST(PageChecks, JunkNoticesAndErrorPagesAreRefusedWithTheirCause) {
    for (const auto& [what, page] : junkAnswers()) {
        EXPECT_EQ(crosstablePageProblem(page), "the answer is not a crosstable page") << what;
        EXPECT_EQ(historyPageProblem(page, kId), "the answer is not a history page") << what;
    }
    // Each kind of page is refused as the other kind.
    EXPECT_FALSE(crosstablePasses(smallHistory()));
    EXPECT_FALSE(historyPasses(smallCrosstable()));
}

TEST(PageChecks, ACrosstableNeedsTitleNoteAndAPlayerRowInEverySectionAndItsEnd) {
    const std::string good = smallCrosstable(2);
    ASSERT_TRUE(crosstablePasses(good));
    EXPECT_EQ(crosstablePageProblem(normalisePage(good)), std::nullopt) << "the line form gives the same verdict";
    EXPECT_TRUE(crosstablePasses(replaced(good, "</html>", "</HTML>")));
    EXPECT_TRUE(crosstablePasses(replaced(good, " (Event", " Event"))) << "a title without \"(Event\" still names";
    const std::string note = "<p>Note: ratings before and after the event.</p>\n";
    const PagePlayer rowA{1, kId, "JANE DOE", "R:", "1500", "1510", {"W   2"}};
    PagePlayer noId = rowA;
    noId.id = "ABCDEFGH";
    const struct {
        const char* what;
        std::string page;
    } refused[] = {
        {"no title", replaced(good, "<title>", "<tytle>")},
        {"the title after the Note: line",
         replaced(replaced(good, "<title>", "<tytle>"), note, note + "<title>x</title>\n")},
        {"no Note: line in section 1", replaced(good, "Note:", "note")},
        {"no Note: line in section 2", replaced(replaced(good, "Note:", "@@"), "Note:", "note")},
        {"no end of the document", replaced(good, "</html>", "")},
        {"rows without rating lines", replaced(replaced(good, "/ R: ", "/ R; "), "/ R: ", "/ R; ")},
        {"no ID where the parser reads it", krv::testing::crosstablePage("201203110112", "SPRING OPEN", {{noId}})},
        {"no rows in section 2", krv::testing::crosstablePage("201203110112", "SPRING OPEN", {{rowA}, {}})},
    };
    for (const auto& c : refused) EXPECT_FALSE(crosstablePasses(c.page)) << c.what;
}

TEST(PageChecks, AHistoryPageNeedsTheMembersNameLineAndItsEndUnlessItSaysTheIdIsUnknown) {
    ASSERT_TRUE(historyPasses(smallHistory()));
    EXPECT_EQ(historyPageProblem(normalisePage(smallHistory()), kId), std::nullopt);
    // No events and no page links: a page past the last, or a member with no events.
    EXPECT_TRUE(historyPasses(krv::testing::historyPage(kId, "JANE DOE", {}, 0)));
    const std::string unknown = "<html>\n<body>\n<p>\n12345678 Error: no member with this ID is on file.\n</p>\n";
    EXPECT_TRUE(historyPasses(unknown)) << "the run reports the unknown ID itself, cut off or not";
    const struct {
        const char* what;
        std::string page;
        std::string id = kId;
    } refused[] = {
        {"another member's page", smallHistory(), "87654321"},
        {"a blank name", krv::testing::historyPage(kId, "   ", {"201203110112"}, 0)},
        {"no name line", replaced(smallHistory(), "12345678: ", "12345678 ")},
        {"cut off before its end", replaced(smallHistory(), "</html>", "")},
        {"MATCH ERRORS without a name", "<p>12345678 Errors? Report MATCH ERRORS</p>\n</html>\n"},
        // Held as lines, 8 MiB of line ends would take hundreds of megabytes.
        {"a whole page padded with 8 MiB of line ends",
         replaced(smallHistory(), "</html>", std::string(8 << 20, '\n') + "</html>")},
        {"an unknown ID padded likewise", unknown + std::string(8 << 20, '\n')},
    };
    for (const auto& c : refused) EXPECT_FALSE(historyPasses(c.page, c.id)) << c.what;
}

// The event the integration tests store for member 13377702, as its three
// section files hold it: joined again, they are the page as downloaded.
TEST(PageChecks, TheStoredGoldenEventPasses) {
    std::string page;
    for (const char* suffix : {"", "2", "3"}) {
        std::ifstream in(
            std::string(KRV_TEST_SOURCE_DIR) + "/integration/golden/13377702/201311160008.0-13377702.txt" + suffix,
            std::ios::binary);
        ASSERT_TRUE(in) << suffix;
        std::stringstream bytes;
        bytes << in.rdbuf();
        page += bytes.str();
    }
    EXPECT_TRUE(crosstablePasses(page));
    EXPECT_FALSE(crosstablePasses(page.substr(0, page.size() / 2)));
}

#if __has_include("sample_pages.h")
#include "sample_pages.h"

namespace {

const sample::Catalog& catalog() { return sample::Catalog::bundled(); }

// Every way to cut the page short at a line end before its last line.
void expectEveryCutRefused(const std::string& page, bool crosstable, const std::string& what) {
    int cuts = 0;
    const std::size_t lastLine = page.rfind('\n', page.size() - 2);
    for (std::size_t end = page.find('\n'); end < lastLine; end = page.find('\n', end + 1), ++cuts) {
        const std::string cut = page.substr(0, end + 1);
        if (crosstable) ASSERT_FALSE(crosstablePasses(cut)) << what << " cut after byte " << end;
        else ASSERT_FALSE(historyPasses(cut, what)) << what << " cut after byte " << end;
    }
    EXPECT_GT(cuts, 10) << what;
}

}  // namespace

TEST(PageChecksOnSamplePages, EveryCrosstableOfTheServicePasses) {
    int checked = 0;
    for (const auto& event : catalog().events()) {
        ASSERT_TRUE(crosstablePasses(sample::crosstablePage(event))) << event.number;
        ++checked;
    }
    EXPECT_GT(checked, 1000);
}

TEST(PageChecksOnSamplePages, EveryHistoryPageOfEveryBundledMemberPassesAndNoOtherMembers) {
    for (const auto& bundled : sample::bundledMembers()) {
        const auto* member = catalog().findMember(bundled.id);
        ASSERT_NE(member, nullptr) << bundled.id;
        const int pages = catalog().summary(*member).historyPages;
        // Page 0 is the first page fetched without a suffix; pages + 1 lies past the last.
        for (int page = 0; page <= pages + 1; ++page) {
            const std::string bytes = sample::historyPage(catalog(), bundled.id, page);
            EXPECT_TRUE(historyPasses(bytes, bundled.id)) << bundled.id << " page " << page;
            EXPECT_FALSE(historyPasses(bytes, "99999999")) << bundled.id << " page " << page;
            EXPECT_FALSE(crosstablePasses(bytes)) << bundled.id << " page " << page;
        }
    }
    EXPECT_TRUE(historyPasses(sample::historyPage(catalog(), "99999999", 1), "99999999")) << "unknown ID";
    // Every member of every event has history pages; their first pages pass too.
    for (const auto* member : catalog().members())
        ASSERT_TRUE(historyPasses(sample::historyPage(catalog(), member->id, 1), member->id)) << member->id;
}

TEST(PageChecksOnSamplePages, TheRealCrosstablePassesAndEveryCutOfItIsRefused) {
    const auto* real = catalog().findEvent(sample::kRealCrosstableEventNumber);
    ASSERT_NE(real, nullptr);
    ASSERT_EQ(real->playerCount(), 64u);
    const std::string page = sample::crosstablePage(*real);
    EXPECT_TRUE(crosstablePasses(page));
    EXPECT_EQ(crosstablePageProblem(normalisePage(page)), std::nullopt);
    expectEveryCutRefused(page, true, "real crosstable");
    expectEveryCutRefused(sample::crosstablePage(*catalog().findEvent(sample::kThreeSectionEventNumber)), true,
                          "three sections");
    expectEveryCutRefused(sample::historyPage(catalog(), sample::kMultiSectionMemberId, 2), false,
                          std::string(sample::kMultiSectionMemberId));
    // The data file's plain-text layout alone carries neither title nor "Note:"
    // line: stored, it would give no games.
    std::ifstream in(std::string(KRV_TEST_SOURCE_DIR) + "/../service/data/crosstable-64.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_GT(text.str().size(), 10000u);
    EXPECT_FALSE(crosstablePasses(text.str() + "</html>\n"));
}

TEST(PageChecksOnSamplePages, AnErrorAppendedToACutPageIsRefused) {
    // A script that dies half-way leaves the rows so far and its message.
    const std::string page = sample::crosstablePage(*catalog().findEvent(sample::kThreeSectionEventNumber));
    const std::string cut = page.substr(0, page.find("Section3"));
    EXPECT_FALSE(crosstablePasses(cut + "<br />\n<b>Fatal error</b>: Maximum execution time exceeded<br />\n"));
}

#endif

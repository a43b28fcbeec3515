#include <gtest/gtest.h>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/page_lines.h"

using namespace krv;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* kId = "12345678";
constexpr const char* kBase = "http://127.0.0.1:8080";

// One event row of a history page: the "Detail:" line, two lines, and the
// link line whose link text starts in column 23.
void addEventRow(Lines& page, const std::string& eventNumber, const std::string& linkLine = "") {
    page.push_back("<td nowrap>2012-03-11<br><small>Detail: " + eventNumber + "</small></td>");
    page.push_back("<td nowrap>Section 1</td>");
    page.push_back("<td nowrap>R: 1500 =&gt; 1510</td>");
    page.push_back(linkLine.empty()
                       ? "<td width=40%><a href=XtblMain.php?" + eventNumber + "-" + kId + ">Spring Open</a></td>"
                       : linkLine);
}

std::string addressOf(const std::string& eventNumber) {
    return std::string(kBase) + "/krv/XtblMain.php?" + eventNumber + ".0-" + kId;
}

}  // namespace

TEST(CountHistoryPageLinks, CountsLinesWithTheIdFollowedByADot) {
    const Lines page = normalisePage("<a href=MbrDtlTnmtHst.php?12345678.1>[1]</a>\n"
                                     "<a href=MbrDtlTnmtHst.php?12345678.2>[1]</a> 12345678.3\n"
                                     "<b>12345678: JANE DOE</b>\n"
                                     "<a href=MbrDtlTnmtHst.php?87654321.1>\n");
    EXPECT_EQ(countHistoryPageLinks(page, kId), 2);
    EXPECT_EQ(countHistoryPageLinks(normalisePage("<b>12345678: JANE DOE</b>\n"), kId), 0);
    EXPECT_EQ(countHistoryPageLinks(normalisePage("ab.\nAB.\nxab\n"), "aB"), 2);
}

TEST(FindWrongIdLine, TheFirstErrorLineWithTheIdDecides) {
    // Lines without the ID or without " Error" pass.
    EXPECT_EQ(findWrongIdLine({"", "Error everywhere", "12345678 fine", "12345678Error"}, kId), std::nullopt);
    // " Error" with "MATCH ERRORS" accepts and ends the check.
    EXPECT_EQ(findWrongIdLine({"12345678 Errors? Report match errors", "12345678 Error: unknown"}, kId),
              std::nullopt);
    // " Error" in any case without "MATCH ERRORS" is the wrong-ID line.
    EXPECT_EQ(findWrongIdLine({"x", "12345678 ERROR: no member", "12345678 Error: later"}, kId),
              "12345678 ERROR: no member");
    EXPECT_EQ(findWrongIdLine({"12345678 error"}, kId), "12345678 error");
}

TEST(ExtractCrosstableAddresses, BuildsOneAddressPerDetailRowInPageOrder) {
    Lines page1 = {""};
    addEventRow(page1, "201203110112");
    addEventRow(page1, "201111050007");
    Lines page2 = {""};
    addEventRow(page2, "201111050007");  // listed on both pages: kept twice
    addEventRow(page2, "200905230001");

    Lines addresses = extractCrosstableAddresses(page1, kBase, kId);
    const Lines second = extractCrosstableAddresses(page2, kBase, kId);
    addresses.insert(addresses.end(), second.begin(), second.end());
    EXPECT_EQ(addresses, (Lines{addressOf("201203110112"), addressOf("201111050007"), addressOf("201111050007"),
                                addressOf("200905230001")}));
    EXPECT_EQ(eventKeyOf(addresses[0]), "201203110112.0-12345678");
}

TEST(ExtractCrosstableAddresses, SkipsRowsWithoutALinkAndNeverSearchesTheRowsOwnLines) {
    Lines page = {"", "<p>no detail here</p>"};
    addEventRow(page, "201203110112", "no link on this line at all");
    // "detail:" in another case still opens a row; the lines it drops are
    // not searched, even when they say "Detail:" themselves.
    page.push_back("<small>DETAIL: 1</small>");
    page.push_back("Detail: dropped");
    page.push_back("Detail: dropped too");
    page.push_back("<td width=40%><a href=XtblMain.php?201001010001-12345678>E</a>");
    addEventRow(page, "201202020002");
    page.push_back("Detail: at the end of a truncated page");
    page.push_back("");
    EXPECT_EQ(extractCrosstableAddresses(page, kBase, kId),
              (Lines{addressOf("201001010001"), addressOf("201202020002")}));
    EXPECT_TRUE(extractCrosstableAddresses(normalisePage("<p>No events on this page.</p>"), kBase, kId).empty());
}

TEST(EventKeyOf, TakesTheTextAfterTheEventPageAndRefusesUnsafeKeys) {
    EXPECT_EQ(eventKeyOf("http://h/krv/XtblMain.php?201203110112.0-12345678"), "201203110112.0-12345678");
    EXPECT_EQ(eventKeyOf("http://h/krv/xtblmain.PHP?1.0-2"), "1.0-2");
    EXPECT_EQ(eventKeyOf("http://h/krv/Other.php?201203110112"), "");
    for (const char* unsafe : {"../../etc/x", "a/b", "a\\b", "..", ".", "a,b", "a\"b", "a\tb", ""})
        EXPECT_EQ(eventKeyOf(std::string("http://h/krv/XtblMain.php?") + unsafe), "") << unsafe;
}

TEST(MemberNameFromHistory, TheLastNameLineWinsAndAShortLineChangesNothing) {
    // The name runs from 10 characters after the ID to 11 before the end.
    const std::string line1 = "<tr><td><font size=+1><b>12345678: JANE Q DOE</b></font>";
    const std::string line2 = "<tr><td><b>12345678: JANE DOE-SMITH</b></font>";
    EXPECT_EQ(memberNameFromHistory({"", line1}, kId), "JANE Q DOE");
    EXPECT_EQ(memberNameFromHistory({"", line1, "x", line2}, kId), "JANE DOE-SMITH");
    // Remainder after the ID + 10 of exactly 11 characters: an empty name;
    // shorter: this line gives no name and the earlier one stands.
    EXPECT_EQ(memberNameFromHistory({"12345678: 12345678901"}, kId), "");
    EXPECT_EQ(memberNameFromHistory({line1, "12345678: 1234567890"}, kId), "JANE Q DOE");
    EXPECT_EQ(memberNameFromHistory({"12345678: 1234567890"}, kId), std::nullopt);
    EXPECT_EQ(memberNameFromHistory({"12345678 no colon", "87654321: OTHER NAME</b></font>"}, kId), std::nullopt);
}

TEST(RegularRatingFromMainPage, TakesFourCharactersThirtySevenAfterTheLabel) {
    const std::string gap(37 - 14, ' ');
    EXPECT_EQ(regularRatingFromMainPage({"Quick Rating" + gap + "   1111", "Regular Rating" + gap + "1794P12 x",
                                         "Regular Rating" + gap + "2000"}),
              "1794");
    EXPECT_EQ(regularRatingFromMainPage({"<td>REGULAR RATING" + gap + "980"}), "980");
    EXPECT_EQ(regularRatingFromMainPage({"Regular Rating"}), "");
    EXPECT_EQ(regularRatingFromMainPage({"Quick Rating 1500", ""}), std::nullopt);
}

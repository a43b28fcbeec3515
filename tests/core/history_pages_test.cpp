#include <gtest/gtest.h>

#include "acquisition/history_pages.h"
#include "acquisition/member_pages.h"
#include "acquisition/page_lines.h"

using namespace krv;
using Lines = std::vector<std::string>;

namespace {

constexpr const char* kId = "12345678";
constexpr const char* kBase = "http://127.0.0.1:8080";

// One event row of a history page: the "Detail:" line, two lines, the link line.
void addEventRow(Lines& page, const std::string& number, const std::string& linkLine = "") {
    page.insert(page.end(),
                {"<td nowrap>2012-03-11<br><small>Detail: " + number + "</small></td>", "<td nowrap>Section 1</td>",
                 "<td nowrap>R: 1500 =&gt; 1510</td>",
                 linkLine.empty() ? "<td width=40%><a href=XtblMain.php?" + number + "-" + kId + ">E</a>" : linkLine});
}
std::string addressOf(const std::string& number) {
    return std::string(kBase) + "/krv/XtblMain.php?" + number + ".0-" + kId;
}

}  // namespace

TEST(CountHistoryPageLinks, CountsLinesWithTheIdFollowedByADot) {
    EXPECT_EQ(countHistoryPageLinks(normalisePage("<a href=MbrDtlTnmtHst.php?12345678.1>[1]</a>\n"
                                                  "<a href=MbrDtlTnmtHst.php?12345678.2>[1]</a> 12345678.3\n"
                                                  "<b>12345678: JANE DOE</b>\n<a href=x?87654321.1>\n"),
                                    kId),
              2);
    EXPECT_EQ(countHistoryPageLinks(normalisePage("<b>12345678: JANE DOE</b>\n"), kId), 0);
}

TEST(FindWrongIdLine, TheFirstErrorLineWithTheIdDecides) {
    EXPECT_EQ(findWrongIdLine({"", "Error everywhere", "12345678 fine", "12345678Error"}, kId), std::nullopt);
    // " Error" with "MATCH ERRORS" accepts and ends the check.
    EXPECT_EQ(findWrongIdLine({"12345678 Errors? Report match errors", "12345678 Error: unknown"}, kId), std::nullopt);
    EXPECT_EQ(findWrongIdLine({"x", "12345678 ERROR: no member", "12345678 Error: later"}, kId),
              "12345678 ERROR: no member");
    EXPECT_EQ(findWrongIdLine({"12345678 error"}, kId), "12345678 error");
}

TEST(ExtractCrosstableAddresses, OneAddressPerDetailRowDuplicatesKeptRowsWithoutALinkSkipped) {
    Lines page = {"", "<p>no detail here</p>"};
    addEventRow(page, "201203110112");
    addEventRow(page, "201111050007");
    addEventRow(page, "201111050007");
    addEventRow(page, "200905230001", "no link on this line at all");
    // "detail:" in any case opens a row; the lines it drops are not searched.
    page.insert(page.end(), {"<small>DETAIL: 1</small>", "Detail: dropped", "Detail: dropped too",
                             "<td width=40%><a href=XtblMain.php?201001010001-12345678>E</a>",
                             "Detail: at the end of a truncated page", ""});
    const Lines addresses = extractCrosstableAddresses(page, kBase, kId);
    EXPECT_EQ(addresses, (Lines{addressOf("201203110112"), addressOf("201111050007"), addressOf("201111050007"),
                                addressOf("201001010001")}));
    EXPECT_EQ(eventKeyOf(addresses[0]), "201203110112.0-12345678");
    EXPECT_EQ(eventKeyOf("http://h/krv/xtblmain.PHP?1.0-2"), "1.0-2");
    for (const char* unsafe : {"../../etc/x", "a/b", "a\\b", "..", ".", "a,b", "a\"b", ""})
        EXPECT_EQ(eventKeyOf(std::string("http://h/krv/XtblMain.php?") + unsafe), "") << unsafe;
}

// After a "Detail:" row, the two lines it drops and its link line are not
// searched for further rows, whether the row gave an address or was skipped
// for want of a link; each case hides there a "Detail:" row whose third line
// does hold a link, which a second search would take.
TEST(ExtractCrosstableAddresses, TheLinesUpToALinkLineAreNeverSearchedAgain) {
    const std::string hiddenLink = "<td width=40%><a href=XtblMain.php?209901010001-12345678>HIDDEN</a>";
    const struct {
        const char* what;
        Lines page;
        Lines addresses;
    } cases[] = {
        {"skipped row, hidden row on its first dropped line",
         {"<small>Detail: 1</small>", "<small>Detail: 209901010001</small>", "x", "no link here", hiddenLink},
         {}},
        {"skipped row, hidden row on its second dropped line",
         {"<small>Detail: 1</small>", "x", "<small>Detail: 209901010001</small>", "no link here", "y", hiddenLink},
         {}},
        {"skipped row, hidden row on its link line",
         {"<small>Detail: 1</small>", "x", "y", "Detail: 209901010001 but no link", "a", "b", hiddenLink},
         {}},
        {"row with an address, hidden row on its first dropped line",
         {"<small>Detail: 1</small>", "<small>Detail: 209901010001</small>", "x",
          "<td width=40%><a href=XtblMain.php?201203110112-12345678>E</a>", hiddenLink},
         {addressOf("201203110112")}},
    };
    for (const auto& c : cases) EXPECT_EQ(extractCrosstableAddresses(c.page, kBase, kId), c.addresses) << c.what;
}

TEST(MemberPages, NameFromTheLastNameLineAndRatingThirtySevenAfterTheLabel) {
    const std::string line1 = "<tr><td><font size=+1><b>12345678: JANE Q DOE</b></font>";
    EXPECT_EQ(memberNameFromHistory({"", line1, "x", "<tr><td><b>12345678: JANE DOE-SMITH</b></font>"}, kId),
              "JANE DOE-SMITH");
    // Shorter than ID + 10 + 11: this line gives no name and the earlier one stands.
    EXPECT_EQ(memberNameFromHistory({line1, "12345678: 1234567890"}, kId), "JANE Q DOE");
    EXPECT_EQ(memberNameFromHistory({"12345678: 12345678901"}, kId), "");
    EXPECT_EQ(memberNameFromHistory({"12345678 no colon", "87654321: OTHER NAME</b></font>"}, kId), std::nullopt);

    const std::string gap(37 - 14, ' ');
    EXPECT_EQ(regularRatingFromMainPage({"Quick Rating" + gap + "   1111", "Regular Rating" + gap + "1794P12 x",
                                         "Regular Rating" + gap + "2000"}),
              "1794");
    EXPECT_EQ(regularRatingFromMainPage({"<td>REGULAR RATING" + gap + "980"}), "980");
    EXPECT_EQ(regularRatingFromMainPage({"Quick Rating 1500", ""}), std::nullopt);
}

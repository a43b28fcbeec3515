#include <gtest/gtest.h>

#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"

using namespace krv;
using Lines = std::vector<std::string>;

TEST(NormalisePage, StartsWithAnEmptyLineAndEndsLinesAtCrLfCrOrLf) {
    EXPECT_EQ(normalisePage("a\r\nb\rc\nd"), (Lines{"", "a", "b", "c", "d"}));
    EXPECT_EQ(normalisePage("a\r\n\r\nb\r\n"), (Lines{"", "a", "", "b"}));
    EXPECT_EQ(normalisePage("a\n\r\nb"), (Lines{"", "a", "", "b"}));
    EXPECT_EQ(normalisePage(""), (Lines{""}));
}

TEST(NormalisePage, KeepsEveryByteAndColumnOfALine) {
    // Markup, backslashes, braces and 8-bit letters are what the parsers
    // match against; none of them may be escaped or moved.
    const std::string line = "  <td>\\par {x}\t\xE9\xFC>12<  \x01 ";
    const Lines lines = normalisePage(line + "\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], line);
}

TEST(SplitSections, EachSectionLineOpensTheNextFile) {
    const Lines page = {"",
                        "<title>x</title>",
                        "<a href=#Section2>jump</a>",  // a Section2 line without anchor= stays put
                        "Note: one",
                        "<hr><a name=Section2 id=anchor=Section2></a>",
                        "row 2",
                        "<HR><A NAME=SECTION3 ID=ANCHOR=SECTION3></A>",  // case ignored
                        "row 3"};
    const auto sections = splitSections(page);
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_EQ(sections[0], (Lines{"", "<title>x</title>", "<a href=#Section2>jump</a>", "Note: one"}));
    EXPECT_EQ(sections[1], (Lines{"<hr><a name=Section2 id=anchor=Section2></a>", "row 2"}));
    EXPECT_EQ(sections[2], (Lines{"<HR><A NAME=SECTION3 ID=ANCHOR=SECTION3></A>", "row 3"}));
}

TEST(SplitSections, SectionsAreLookedForInNumberOrder) {
    const Lines page = {"", "anchor=Section3", "a", "anchor=Section2", "b", "anchor=Section2 again", "c"};
    const auto sections = splitSections(page);
    // Section3 before Section2 does not split; once Section2 has split, only
    // Section3 can split again.
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0], (Lines{"", "anchor=Section3", "a"}));
    EXPECT_EQ(sections[1], (Lines{"anchor=Section2", "b", "anchor=Section2 again", "c"}));
}

TEST(SplitSections, APageWithoutSectionsIsOneFile) {
    EXPECT_EQ(splitSections(Lines{"", "x"}), (std::vector<Lines>{{"", "x"}}));
    EXPECT_EQ(splitSections(Lines{}), (std::vector<Lines>{{}}));
}

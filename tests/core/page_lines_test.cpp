#include <gtest/gtest.h>

#include "acquisition/page_lines.h"
#include "acquisition/section_split.h"

using namespace krv;
using Lines = std::vector<std::string>;

TEST(NormalisePage, StartsWithAnEmptyLineEndsLinesAtCrLfCrOrLfAndKeepsEveryByte) {
    EXPECT_EQ(normalisePage("a\r\nb\rc\nd"), (Lines{"", "a", "b", "c", "d"}));
    EXPECT_EQ(normalisePage("a\n\r\nb\r\n"), (Lines{"", "a", "", "b"}));
    EXPECT_EQ(normalisePage(""), (Lines{""}));
    // The parsers match markup, backslashes and 8-bit letters at fixed columns.
    const std::string line = "  <td>\\par {x}\t\xE9\xFC>12<  \x01 ";
    EXPECT_EQ(normalisePage(line + "\r\n"), (Lines{"", line}));
}

TEST(SplitSections, EachSectionLineOpensTheNextFileInNumberOrder) {
    const Lines page = {"",
                        "<a href=#Section2>jump</a>",  // no anchor=: stays put
                        "anchor=Section3",             // before Section2: no split
                        "<hr><a name=Section2 id=anchor=Section2></a>",
                        "anchor=Section2 again",
                        "<HR><A NAME=SECTION3 ID=ANCHOR=SECTION3></A>",  // case ignored
                        "row 3"};
    EXPECT_EQ(splitSections(page),
              (std::vector<Lines>{{"", "<a href=#Section2>jump</a>", "anchor=Section3"},
                                  {"<hr><a name=Section2 id=anchor=Section2></a>", "anchor=Section2 again"},
                                  {"<HR><A NAME=SECTION3 ID=ANCHOR=SECTION3></A>", "row 3"}}));
    EXPECT_EQ(splitSections(Lines{"", "x"}), (std::vector<Lines>{{"", "x"}}));
}

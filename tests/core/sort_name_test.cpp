#include <gtest/gtest.h>

#include "session/sort_name.h"

using krv::makeSortName;

TEST(MakeSortName, SurnameFirstWithTheGivenNameAndItsBlankAfter) {
    EXPECT_EQ(makeSortName("JOHN SMITH"), "SMITH JOHN ");
    EXPECT_EQ(makeSortName("SILAS C GALLAGHER"), "GALLAGHER SILAS C ");
}

TEST(MakeSortName, SuffixesStayGluedToTheSurname) {
    EXPECT_EQ(makeSortName("JOHN SMITH JR"), "SMITHJR JOHN ");
    EXPECT_EQ(makeSortName("JOHN SMITH III"), "SMITHIII JOHN ");
    EXPECT_EQ(makeSortName("JOHN SMITH II"), "SMITHII JOHN ");
    EXPECT_EQ(makeSortName("JOHN SMITH SR"), "SMITHSR JOHN ");
    // The test ignores case, the replacement does not: "Jr" keeps its blank.
    EXPECT_EQ(makeSortName("John Smith Jr"), "Jr John Smith ");
}

TEST(MakeSortName, ParticlesStayWithTheSurname) {
    EXPECT_EQ(makeSortName("JUAN DE SOTO"), "DE SOTO JUAN ");
    EXPECT_EQ(makeSortName("MARIA DE LA CRUZ"), "DE LA CRUZ MARIA ");
    EXPECT_EQ(makeSortName("JOHN MAC DONALD"), "MAC DONALD JOHN ");
    EXPECT_EQ(makeSortName("SEAN O BRIEN"), "O BRIEN SEAN ");
    EXPECT_EQ(makeSortName("ANGUS MC LEOD"), "MC LEOD ANGUS ");
}

TEST(MakeSortName, OddCasesFollowTheRulesLiterally) {
    // A particle that is not in front of the surname still moves the split.
    EXPECT_EQ(makeSortName("MARY O HARA SMITH"), "A SMITH MARY O HAR");
    // Suffix patterns are plain substrings: SR at the start of a surname.
    EXPECT_EQ(makeSortName("RAVI SRINIVASAN"), " ");
    EXPECT_EQ(makeSortName("PETER O VERNON"), "VERNON PETER ");
    EXPECT_EQ(makeSortName("JOHN SMITH "), " JOHN SMITH ");
}

TEST(MakeSortName, OneWordAndEmptyNamesGiveOneBlank) {
    EXPECT_EQ(makeSortName("MADONNA"), " ");
    EXPECT_EQ(makeSortName(""), " ");
}

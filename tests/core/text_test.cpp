#include <gtest/gtest.h>

#include "platform/text.h"

using namespace krv;

TEST(NumericValue, TakesTheLeadingNumberAfterBlanks) {
    EXPECT_DOUBLE_EQ(numericValue(" .5"), 0.5);
    EXPECT_DOUBLE_EQ(numericValue("-150"), -150);
    EXPECT_DOUBLE_EQ(numericValue("UnR"), 0);
    EXPECT_DOUBLE_EQ(numericValue("1641P17"), 1641);
    EXPECT_DOUBLE_EQ(numericValue("   1794   "), 1794);
    EXPECT_DOUBLE_EQ(numericValue(""), 0);
    EXPECT_DOUBLE_EQ(numericValue("-"), 0);
    EXPECT_DOUBLE_EQ(numericValue(" 20050315 "), 20050315);
}

TEST(NumberForms, PrintSignedAndPlainAreDistinct) {
    EXPECT_EQ(printForm(2), " 2 ");
    EXPECT_EQ(printForm(-2), "-2 ");
    EXPECT_EQ(signedForm(2), " 2");
    EXPECT_EQ(signedForm(0), " 0");
    EXPECT_EQ(signedForm(-2), "-2");
    EXPECT_EQ(signedForm(0.5), " .5");
    EXPECT_EQ(signedForm(-0.5), "-.5");
    EXPECT_EQ(plainForm(1.5), "1.5");
    EXPECT_EQ(plainForm(2), "2");
    EXPECT_EQ(plainForm(20050315), "20050315");
}

TEST(NumberForms, HalvesRoundToEven) {
    EXPECT_EQ(roundHalfEven(62.5), 62);
    EXPECT_EQ(roundHalfEven(63.5), 64);
    EXPECT_EQ(roundHalfEven(12.5), 12);
    EXPECT_EQ(roundHalfEven(74.9), 75);
}

TEST(IsNumberText, WholeTextMustBeANumber) {
    EXPECT_TRUE(isNumberText(" -150 "));
    EXPECT_TRUE(isNumberText(".5"));
    EXPECT_TRUE(isNumberText("1794"));
    EXPECT_FALSE(isNumberText("UnR"));
    EXPECT_FALSE(isNumberText("1641P17"));
    EXPECT_FALSE(isNumberText(""));
    EXPECT_FALSE(isNumberText("-"));
}

TEST(CommaFields, BlanksAroundUnquotedFieldsAreDropped) {
    auto f = splitCommaFields("JOHN SMITH                      , 2 , 0 , 1 , 3 ");
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0], "JOHN SMITH");
    EXPECT_EQ(f[1], "2");
    EXPECT_EQ(f[4], "3");
}

TEST(CommaFields, QuotedFieldsKeepCommasAndEmptyFieldsCount) {
    auto f = splitCommaFields("\"SMITH, JOHN\",  \" padded \" ,,last");
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], "SMITH, JOHN");
    EXPECT_EQ(f[1], " padded ");
    EXPECT_EQ(f[2], "");
    EXPECT_EQ(f[3], "last");
    EXPECT_EQ(splitCommaFields("").size(), 1u);
    EXPECT_EQ(splitCommaFields("a,").size(), 2u);
}

TEST(CommaFieldReader, ContinuesOnTheNextLine) {
    CommaFieldReader reader("Win,20050315\r\n Open \nLoss,\"20050316\",Cup\r\r\n");
    std::vector<std::string> got;
    while (auto f = reader.next()) got.emplace_back(*f);
    // The empty line before the last line end is one empty field.
    EXPECT_EQ(got, (std::vector<std::string>{"Win", "20050315", "Open", "Loss", "20050316", "Cup", ""}));
    EXPECT_TRUE(reader.atEnd());
}

TEST(Lines, AnyLineEndSplitsAndBytesStayUnchanged) {
    auto lines = splitLines("a\r\nb\rc\nd\xe9\r\n\r\nlast");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], "d\xe9");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "last");
    EXPECT_TRUE(splitLines("").empty());
    EXPECT_EQ(joinLinesCrLf({"x", ""}), "x\r\n\r\n");
}

TEST(Positions, AreOneBasedAndSafeBeyondTheEnd) {
    EXPECT_EQ(findPos("abcabc", "c"), 3u);
    EXPECT_EQ(findPos("abcabc", "c", 4), 6u);
    EXPECT_EQ(findPos("abc", "x"), 0u);
    EXPECT_EQ(findPosNoCase("a MATCH errors", "Match Errors"), 3u);
    EXPECT_EQ(mid("abcdef", 3, 2), "cd");
    EXPECT_EQ(mid("abc", 7, 2), "");
    EXPECT_EQ(mid("abc", 2), "bc");
    EXPECT_EQ(right("abc", 5), "abc");
}

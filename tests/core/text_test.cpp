#include <gtest/gtest.h>

#include <optional>
#include <vector>

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

TEST(TerminalSafe, ControlBytesAndDelBecomeQuestionMarksOthersPass) {
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases{
        {"JOHN SMITH\r\n", "JOHN SMITH\r\n"},
        {"a\tb", "a\tb"},
        {"\x1b]0;owned\x07", "?]0;owned?"},  // a window title sequence
        {"\x1b[2J\x1b[H", "?[2J?[H"},        // clear the screen
        {std::string("a\0b", 3), "a?b"},
        {"\x01\x08\x0b\x0c\x1f", "?????"},
        {"del\x7f", "del?"},
        {"REN\xc9 \x80\x9b\xff", "REN\xc9 \x80\x9b\xff"},  // Windows-1252 bytes stay as they are
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(terminalSafe(c.in), c.out) << c.in;
}

TEST(ParseWholeNumber, OnlyDigitsWithinTheRangeCount) {
    struct Case {
        std::string text;
        std::optional<long long> value;
    };
    const std::vector<Case> cases{
        {"1", 1},
        {"8", 8},
        {"0", std::nullopt},
        {"9", std::nullopt},
        {"-1", std::nullopt},
        {"+2", std::nullopt},
        {" 2", std::nullopt},
        {"2 ", std::nullopt},
        {"2.0", std::nullopt},
        {"2x", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"99999999999999999999", std::nullopt},  // beyond any integer type
        {"0000003", 3},
    };
    for (const auto& c : cases) EXPECT_EQ(parseWholeNumber(c.text, 1, 8), c.value) << c.text;
    EXPECT_EQ(parseWholeNumber("-5", -10, 10), -5);
}

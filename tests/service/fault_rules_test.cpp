#include "fault_rules.h"

#include <gtest/gtest.h>

namespace krv::sample {
namespace {

std::vector<FaultRule> parse(std::string_view text) {
    std::string error;
    auto rules = parseFaultRules(text, error);
    EXPECT_TRUE(rules) << error;
    return rules ? *rules : std::vector<FaultRule>{};
}

std::string errorOf(std::string_view text) {
    std::string error;
    EXPECT_FALSE(parseFaultRules(text, error)) << text;
    return error;
}

TEST(FaultRules, ParsesEveryActionWithOptions) {
    auto rules = parse(
        "# comment\n"
        "\n"
        "XtblMain.php?2019 status 503 retry-after 2 times 3\r\n"
        "MbrDtlMain drop\n"
        "  .2  truncate times 1\n"
        "Hst delay 250\n"
        "php empty\n");
    ASSERT_EQ(rules.size(), 5u);
    EXPECT_EQ(rules[0].substring, "XtblMain.php?2019");
    EXPECT_EQ(rules[0].action, FaultRule::Action::Status);
    EXPECT_EQ(rules[0].status, 503);
    EXPECT_EQ(rules[0].retryAfter, 2);
    EXPECT_EQ(rules[0].times, 3);
    EXPECT_EQ(rules[1].action, FaultRule::Action::Drop);
    EXPECT_EQ(rules[1].times, -1);
    EXPECT_EQ(rules[2].substring, ".2");
    EXPECT_EQ(rules[2].action, FaultRule::Action::Truncate);
    EXPECT_EQ(rules[3].delayMs, 250);
    EXPECT_EQ(rules[4].action, FaultRule::Action::Empty);
}

TEST(FaultRules, RejectsMalformedLinesWithTheirNumber) {
    EXPECT_EQ(errorOf("a status 500\nb\n"), "line 2: a rule needs a substring and an action");
    EXPECT_NE(errorOf("a status 99").find("100 to 599"), std::string::npos);
    EXPECT_NE(errorOf("a status abc").find("line 1"), std::string::npos);
    EXPECT_NE(errorOf("a explode").find("unknown action"), std::string::npos);
    EXPECT_NE(errorOf("a delay").find("milliseconds"), std::string::npos);
    EXPECT_NE(errorOf("a drop times 0").find("at least 1"), std::string::npos);
    EXPECT_NE(errorOf("a status 500 retry-after 3").find("429 or 503"), std::string::npos);
    EXPECT_NE(errorOf("a drop now").find("unexpected"), std::string::npos);
}

TEST(FaultRules, FirstLiveMatchFiresAndUsedUpRulesStepAside) {
    FaultTable table;
    table.replace(parse("XtblMain status 500 times 2\nphp status 404\n"));
    EXPECT_FALSE(table.take("/krv/other"));
    EXPECT_EQ(table.take("/krv/XtblMain.php?1")->status, 500);
    EXPECT_EQ(table.take("/krv/XtblMain.php?1")->status, 500);
    EXPECT_EQ(table.take("/krv/XtblMain.php?1")->status, 404);  // the first rule is used up
    EXPECT_EQ(table.take("/krv/MbrDtlMain.php?1")->status, 404);
    table.replace({});
    EXPECT_FALSE(table.take("/krv/XtblMain.php?1"));
}

}  // namespace
}  // namespace krv::sample

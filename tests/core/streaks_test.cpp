#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "stats/streaks.h"

using namespace krv;

// The digest's streak lines (an empty results file among them) are compared
// in the golden analyses, a results file that ends inside a line in the
// advanced analysis test.
TEST(LongestRun, TiesGoToTheLaterRunReportedWithTheLineThatEndedIt) {
    struct Case {
        std::vector<std::string> words;
        std::string sought;
        long best;
        std::string eventName;  // line i has event "Ei" and date "2005010i"
    };
    const std::vector<Case> cases{
        {{"Loss", "Win", "Win", "Draw", "Win", "Win"}, "Win", 2, "E6"},  // the file ends the run: its last line
        {{"Win", "Win", "Win", "Loss", "Win"}, "Win", 3, "E4"},
        {{"Win", "Loss", "Win"}, "Draw", 0, "E3"},  // none at all: the last line
        {{"win", "WIN", "Win"}, "Win", 1, "E3"},    // words compare exactly
        {{}, "Win", 0, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> dates, events;
        std::vector<ResultLine> lines;
        for (std::size_t i = 1; i <= c.words.size(); ++i) {
            dates.push_back("2005010" + std::to_string(i));
            events.push_back("E" + std::to_string(i));
        }
        for (std::size_t i = 0; i < c.words.size(); ++i) lines.push_back({c.words[i], dates[i], events[i]});
        const Streak s = longestRun(lines, c.sought);
        const std::string date = c.eventName.empty() ? "" : "2005010" + c.eventName.substr(1);
        EXPECT_EQ(std::make_tuple(s.best, std::string(s.eventName), std::string(s.date)),
                  std::make_tuple(c.best, c.eventName, date))
            << ::testing::PrintToString(c.words);
    }
}

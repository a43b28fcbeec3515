// The longest runs of wins, draws and losses, from the results file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace krv {
class KrvSession;

// One line of the results file: "Win", "Draw" or "Loss", the event date
// (YYYYMMDD) and the event name, as views into the file's bytes.
struct ResultLine {
    std::string_view result;
    std::string_view date;
    std::string_view eventName;
};

struct Streak {
    long best = 0;
    std::string_view date;  // the line after the run, or the run's last line at the end of the file
    std::string_view eventName;
};

// The longest run of lines with result `word`. Of equally long runs the last
// one wins; with no such line the file's last line is reported.
Streak longestRun(const std::vector<ResultLine>& lines, std::string_view word);

// Appends the wins, draws and losses lines to the digest text. Throws
// AnalysisStopped when `streakFile` cannot be read or its last line is
// incomplete.
void getStreak(KrvSession& session);

}  // namespace krv

#include "stats/streaks.h"

#include <array>
#include <utility>

#include "platform/text.h"
#include "session/session.h"
#include "stats/analysis_errors.h"
#include "stats/convert_date.h"

namespace krv {

namespace {

// The results file is read once; the three passes run over its lines in
// memory, as views into `bytes`.
std::vector<ResultLine> readResultLines(const std::string& path, std::string& bytes) {
    auto read = readFileBytes(path);
    if (!read) throw AnalysisStopped("the results file cannot be read: " + path);
    bytes = std::move(*read);
    std::vector<ResultLine> out;
    CommaFieldReader reader(bytes);
    while (!reader.atEnd()) {
        auto result = reader.next(), date = reader.next(), eventName = reader.next();
        if (!result || !date || !eventName) throw AnalysisStopped("the results file ends inside a line: " + path);
        out.push_back({*result, *date, *eventName});
    }
    return out;
}

}  // namespace

Streak longestRun(const std::vector<ResultLine>& lines, std::string_view word) {
    Streak streak;
    long run = 0;
    auto remember = [&](const ResultLine& line) {
        streak.best = run;
        streak.date = line.date;
        streak.eventName = line.eventName;
    };
    // ">=" lets a later run of the same length win, and a run that a
    // different result ends is reported with that result's line.
    for (const auto& line : lines) {
        if (line.result == word) {
            ++run;
            if (run >= streak.best) remember(line);
        } else {
            if (run >= streak.best) remember(line);
            run = 0;
        }
    }
    return streak;
}

void getStreak(KrvSession& session) {
    std::string bytes;
    const auto lines = readResultLines(session.state.streakFile, bytes);
    constexpr std::array<std::pair<const char*, const char*>, 3> kPasses{{
        {"Win", "Most Recent Wins in a row = "},
        {"Draw", "Most Recent Draws in a row = "},
        {"Loss", "Most Recent Losses in a row = "},
    }};
    std::string& digest = session.ui.txtResults;
    for (const auto& [word, label] : kPasses) {
        const Streak streak = longestRun(lines, word);
        digest += std::string(kLineEnd) + label + signedForm(static_cast<double>(streak.best)) + " ending on " +
                  ConvertDate(streak.date) + " at ";
        digest += streak.eventName;
    }
    digest += kLineEnd;
}

}  // namespace krv

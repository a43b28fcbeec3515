#include "tournament/chart_files.h"

#include <cstdio>
#include <vector>

#include "platform/grid.h"
#include "platform/text.h"

namespace krv {

namespace {

enum GameColumn { kPreRating = 3, kPostRating = 6, kDate = 7 };

// A field read back from a chart file "as a value": a number when it reads
// as one, text otherwise. Numbers are written the way numbers print
// (" 1500 "), text as it is ("UnR").
void appendValueText(std::string& out, std::string_view field) {
    if (isNumberText(field)) out += printForm(numericValue(field));
    else out += field;
}

bool sameValue(std::string_view a, std::string_view b) {
    if (isNumberText(a) && isNumberText(b)) return numericValue(a) == numericValue(b);
    return a == b;
}

struct ChartLine {
    std::string_view date;
    std::string_view preRating;
    std::string_view postRating;
};

// Reads lines of three comma-delimited fields the way list input does; an
// incomplete last line is dropped. The fields are views into text.
std::vector<ChartLine> readChartLines(std::string_view text, std::size_t expected) {
    std::vector<ChartLine> out;
    out.reserve(expected);
    CommaFieldReader reader(text);
    while (!reader.atEnd()) {
        auto date = reader.next(), pre = reader.next(), post = reader.next();
        if (!date || !pre || !post) break;
        out.push_back({*date, *pre, *post});
    }
    return out;
}

}  // namespace

ChartFileTexts buildChartFiles(const Grid& games) {
    // The first pass holds every game as the grid shows it.
    std::string everyGame;
    for (int r = 0; r < games.rows(); ++r) {
        everyGame += games.text(r, kDate);
        everyGame += ',';
        everyGame += games.text(r, kPreRating);
        everyGame += ',';
        everyGame += games.text(r, kPostRating);
        everyGame += kLineEnd;
    }

    // One line per date: the first game of each date in grid order.
    ChartFileTexts files;
    std::string_view previousDate;
    std::size_t dateLines = 0;
    for (const auto& line : readChartLines(everyGame, static_cast<std::size_t>(games.rows()))) {
        if (!sameValue(line.date, previousDate)) {
            appendValueText(files.allChart, line.date);
            files.allChart += ',';
            appendValueText(files.allChart, line.preRating);
            files.allChart += ',';
            appendValueText(files.allChart, line.postRating);
            files.allChart += kLineEnd;
            ++dateLines;
        }
        previousDate = line.date;
    }

    // One line per year: the first line of each year, which is its newest
    // since the dates run newest first. The date is written bare.
    std::string_view previousYear;
    bool first = true;
    for (const auto& line : readChartLines(files.allChart, dateLines)) {
        const std::string_view year = line.date.substr(0, 4);
        if (first || year != previousYear) {
            files.yearChart += line.date;
            files.yearChart += ',';
            appendValueText(files.yearChart, line.preRating);
            files.yearChart += ',';
            appendValueText(files.yearChart, line.postRating);
            files.yearChart += kLineEnd;
        }
        first = false;
        previousYear = year;
    }
    return files;
}

bool writeChartFiles(const std::string& resultsFolder, const Grid& games) {
    const ChartFileTexts files = buildChartFiles(games);
    // The files are built in memory; a work file left by an interrupted
    // older run is cleared away.
    std::remove((resultsFolder + "tempChart.txt").c_str());
    bool ok = writeFileAtomically(resultsFolder + "allChart.txt", files.allChart, Durability::RebuiltByAnalysis);
    ok = writeFileAtomically(resultsFolder + "yearChart.txt", files.yearChart, Durability::RebuiltByAnalysis) && ok;
    return ok;
}

}  // namespace krv

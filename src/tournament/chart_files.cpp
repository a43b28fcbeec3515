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
std::string valueText(const std::string& field) {
    return isNumberText(field) ? printForm(numericValue(field)) : field;
}

bool sameValue(const std::string& a, const std::string& b) {
    if (isNumberText(a) && isNumberText(b)) return numericValue(a) == numericValue(b);
    return a == b;
}

struct ChartLine {
    std::string date;
    std::string preRating;
    std::string postRating;
};

// Reads lines of three comma-delimited fields the way list input does; an
// incomplete last line is dropped.
std::vector<ChartLine> readChartLines(std::vector<std::string> lines) {
    std::vector<ChartLine> out;
    out.reserve(lines.size());
    CommaFieldReader reader(std::move(lines));
    while (!reader.atEnd()) {
        auto date = reader.next(), pre = reader.next(), post = reader.next();
        if (!date || !pre || !post) break;
        out.push_back({std::move(*date), std::move(*pre), std::move(*post)});
    }
    return out;
}

}  // namespace

ChartFileTexts buildChartFiles(const Grid& games) {
    // The first pass holds every game as the grid shows it.
    std::vector<std::string> everyGame;
    everyGame.reserve(games.rows());
    for (int r = 0; r < games.rows(); ++r)
        everyGame.push_back(games.text(r, kDate) + "," + games.text(r, kPreRating) + "," +
                            games.text(r, kPostRating));

    // One line per date: the first game of each date in grid order.
    ChartFileTexts files;
    std::vector<std::string> dateLines;
    std::string previousDate;
    for (const auto& line : readChartLines(std::move(everyGame))) {
        if (!sameValue(line.date, previousDate)) {
            std::string text = valueText(line.date) + "," + valueText(line.preRating) + "," +
                               valueText(line.postRating);
            files.allChart += text;
            files.allChart += kLineEnd;
            dateLines.push_back(std::move(text));
        }
        previousDate = line.date;
    }

    // One line per year: the first line of each year, which is its newest
    // since the dates run newest first. The date is written bare.
    std::string previousYear;
    bool first = true;
    for (const auto& line : readChartLines(std::move(dateLines))) {
        const std::string year = left(line.date, 4);
        if (first || year != previousYear) {
            files.yearChart += line.date + "," + valueText(line.preRating) + "," + valueText(line.postRating);
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

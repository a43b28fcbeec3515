#include "tournament/chart_files.h"

#include <cstdio>
#include <vector>

#include "platform/grid.h"
#include "platform/text.h"

namespace krv {

namespace {

enum GameColumn { kPreRating = 3, kPostRating = 6, kDate = 7 };

// A field read back from a chart file "as a value": a number when it reads
// as one, text otherwise.
struct Value {
    std::string_view text;
    bool isNumber = false;
    double number = 0;

    explicit Value(std::string_view field)
        : text(field), isNumber(isNumberText(field)), number(isNumber ? numericValue(field) : 0) {}

    bool operator==(const Value& other) const {
        return isNumber && other.isNumber ? number == other.number : text == other.text;
    }

    // Numbers are written the way numbers print (" 1500 "), text as it is
    // ("UnR").
    void appendTo(std::string& out) const {
        if (isNumber) out += printForm(number);
        else out += text;
    }
};

void appendValueText(std::string& out, std::string_view field) { Value(field).appendTo(out); }

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

std::string_view withoutBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool readsBackWhole(std::string_view cell) {
    for (char c : cell)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') return false;
    return true;
}

// Every game as the grid shows it, read the way a file of
// "date,pre,post" lines is read back. Cells without a comma, a quote or a
// line end read back as themselves, blanks around them aside, so the usual
// grid is read directly; any other goes through that text.
std::vector<ChartLine> gameLines(const Grid& games, std::string& text) {
    const auto rows = static_cast<std::size_t>(games.rows());
    std::vector<ChartLine> lines;
    lines.reserve(rows);
    for (int r = 0; r < games.rows(); ++r) {
        const std::string& date = games.text(r, kDate);
        const std::string& pre = games.text(r, kPreRating);
        const std::string& post = games.text(r, kPostRating);
        if (!readsBackWhole(date) || !readsBackWhole(pre) || !readsBackWhole(post)) break;
        lines.push_back({withoutBlanks(date), withoutBlanks(pre), withoutBlanks(post)});
    }
    if (lines.size() == rows) return lines;
    for (int r = 0; r < games.rows(); ++r) {
        text += games.text(r, kDate);
        text += ',';
        text += games.text(r, kPreRating);
        text += ',';
        text += games.text(r, kPostRating);
        text += kLineEnd;
    }
    return readChartLines(text, rows);
}

}  // namespace

ChartFileTexts buildChartFiles(const Grid& games) {
    // One line per date: the first game of each date in grid order.
    ChartFileTexts files;
    std::string everyGame;
    Value previousDate("");
    std::size_t dateLines = 0;
    for (const auto& line : gameLines(games, everyGame)) {
        const Value date(line.date);
        if (!(date == previousDate)) {
            date.appendTo(files.allChart);
            files.allChart += ',';
            appendValueText(files.allChart, line.preRating);
            files.allChart += ',';
            appendValueText(files.allChart, line.postRating);
            files.allChart += kLineEnd;
            ++dateLines;
        }
        previousDate = date;
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

void writeChartFiles(const std::string& resultsFolder, const Grid& games) {
    const ChartFileTexts files = buildChartFiles(games);
    // The files are built in memory; a work file left by an interrupted
    // older run is cleared away.
    std::remove((resultsFolder + "tempChart.txt").c_str());
    replaceFileUnlessSame(resultsFolder + "allChart.txt", files.allChart, Durability::RebuiltByAnalysis);
    replaceFileUnlessSame(resultsFolder + "yearChart.txt", files.yearChart, Durability::RebuiltByAnalysis);
}

}  // namespace krv

// The chart data files "allChart.txt" (one line per event date) and
// "yearChart.txt" (one line per year) that the rating charts read.
#pragma once

#include <string>

namespace krv {
class Grid;

struct ChartFileTexts {
    std::string allChart;
    std::string yearChart;
};

// Both files' contents from the tournament grid, which must be sorted by
// date, newest first. Lines: date, pre-event rating, post-event rating.
ChartFileTexts buildChartFiles(const Grid& games);

// Writes both files into the results folder (ending in "/"); StoreError
// when a file could not be written.
void writeChartFiles(const std::string& resultsFolder, const Grid& games);

}  // namespace krv

// The rating charts window's logic: the overview (one point per event
// date), the year view (one point per year) and the paged detailed view,
// drawn from the chart files the tournament view leaves in the member's
// results folder. The desktop window shows these controls and forwards its
// clicks here; tests drive the same procedures with a recording chart.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/chart.h"
#include "platform/grid.h"
#include "session/chart_window_state.h"

namespace krv {
class KrvSession;

inline constexpr const char* kChartCaption = "KRV Graphs";
inline constexpr const char* kCopyTitle = "Copy to Clipboard";
inline constexpr const char* kCopyText =
    "The current chart view has been copied to the clip board and may be pasted into other programs for "
    "saving and printing.";
inline constexpr const char* kInitialPageSize = "30";
// The chart's row count is a 16-bit number.
inline constexpr int kMaxChartRows = 32767;

// One line of a chart file. The rating before the event is a number, or
// absent when the file holds text there (an unrated start, "UnR").
struct ChartLine {
    std::string date;
    std::optional<double> before;
    double post = 0;
};

// The lines of a chart file, or why it cannot be charted.
struct ChartFile {
    std::vector<ChartLine> lines;
    std::string problem;  // empty when the file can be charted
};
ChartFile readChartFile(const std::string& filename);

// The value axis is fitted to the member's range by these two tables.
// Highest: 0 to 100 gives 100, 101 to 2900 the next multiple of 100 at or
// above it, anything else 3000. Lowest: 0 to 2999 the multiple of 100 at or
// below it, anything else 0.
int axisMaximumFor(std::optional<double> highest);
int axisMinimumFor(double lowest);

class ChartView {
public:
    ChartView(KrvSession& session, Chart& chart);

    // ---- the window's controls ----
    Chart& MSChart1;
    Grid flexrating;  // work grid: date, post-event rating with its sign position
    std::string txtNumdetail = kInitialPageSize;
    std::string txtnumevents = " ";
    std::string txthighrating = " ";
    std::string txtlowrating = " ";
    bool CmdLeftVisible = true;
    bool cmdrightVisible = true;
    ChartType graphType = ChartType::Line2d;  // the selected graph-type option

    // ---- commands ----
    void Form_Load();
    void cmdShowChart_Click();
    void cmdyearview_Click();
    void cmdshowdetail_Click();
    void CmdLeft_Click();
    void cmdright_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void cmdCopy_Click();

    // Puts text into the page-size box the way typing does: the change
    // reaction runs.
    void setNumdetailText(const std::string& text);
    void txtNumdetail_Change();

    void ShowChart(const std::string& filename, const std::string& title);
    void DetailChart(const std::string& filename, const std::string& title);

    // The window's own date form: YYYYMMDD shown as MM-DD-YYYY.
    static std::string ConvertDate(std::string_view mydate);

    // The page size in the box: a whole number of at least 1, else nothing.
    std::optional<long long> pageSize() const;

    std::string memberChartFile(const std::string& name) const;  // in the member's Results folder
    std::string displayName() const;                             // the ID box text from its 9th character
    // What the user is told when the chart file cannot be charted.
    std::string chartProblemText(const std::string& filename, const ChartFile& file) const;
    std::string allChartFile() const;
    std::string yearChartFile() const;

private:
    // Loads the file, fills the summary boxes, sets chartEventCount and
    // scales the value axis from the whole file; then fills the work grid
    // sorted oldest first.
    void loadChartFile(const std::string& filename);
    void plotGridRow(int chartRow, int gridRow);
    void setGraphType(ChartType type);

    KrvSession& session_;
    ChartWindowState& state_;
};

}  // namespace krv

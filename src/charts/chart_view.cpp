#include "charts/chart_view.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "session/member_id.h"
#include "session/session.h"
#include "stats/convert_date.h"

namespace krv {

namespace {

// A page size beyond any chart file; keeps the page arithmetic far from
// overflow whatever is typed into the box.
constexpr double kLargestPageSize = 1e9;

std::string numberText(double value) { return plainForm(value); }

}  // namespace

// ---- chart files -------------------------------------------------------------

ChartFile readChartFile(const std::string& filename) {
    ChartFile file;
    auto lines = readFileLines(filename);
    if (!lines) {
        file.problem = "the file could not be read";
        return file;
    }
    int lineNumber = 0;
    for (const std::string& text : *lines) {
        ++lineNumber;
        // A blank line (a spreadsheet's trailing line, say) holds no event.
        if (trimBlanks(text).empty()) continue;
        std::vector<std::string> fields = splitCommaFields(text);
        if (fields.size() < 3 || !isNumberText(fields[2])) {
            file.lines.clear();
            file.problem = "line " + std::to_string(lineNumber) + " has no number as its rating after the event";
            return file;
        }
        ChartLine line;
        line.date = fields[0];
        if (isNumberText(fields[1])) line.before = numericValue(fields[1]);
        line.post = numericValue(fields[2]);
        file.lines.push_back(std::move(line));
    }
    if (file.lines.empty()) file.problem = "the file holds no events";
    return file;
}

int axisMaximumFor(std::optional<double> highest) {
    double whole = roundHalfEven(highest.value_or(0));
    if (whole >= 0 && whole <= 100) return 100;
    if (whole >= 101 && whole <= 2900) return static_cast<int>(std::ceil(whole / 100) * 100);
    return 3000;
}

int axisMinimumFor(double lowest) {
    double whole = roundHalfEven(lowest);
    if (whole >= 0 && whole <= 2999) return static_cast<int>(std::floor(whole / 100) * 100);
    return 0;
}

// ---- the window --------------------------------------------------------------

ChartView::ChartView(KrvSession& session, Chart& chart)
    : MSChart1(chart), session_(session), state_(session.chartWindowState) {
    flexrating.setCols(2);
    flexrating.setVisible(false);
    MSChart1.setChartType(graphType);
}

std::string ChartView::ConvertDate(std::string_view mydate) { return krv::ConvertDate(mydate); }

std::string ChartView::displayName() const { return mid(session_.ui.CmbID, 9); }
// Without a member ID in the ID box there is no chart file: the name stays
// empty and loading it says why, rather than reading outside the store.
std::string ChartView::memberChartFile(const std::string& name) const {
    const auto member = idBoxMember(session_);
    return member ? session_.store().memberResultsDir(member->text()) + name : std::string();
}
std::string ChartView::allChartFile() const { return memberChartFile("allChart.txt"); }
std::string ChartView::yearChartFile() const { return memberChartFile("yearChart.txt"); }

void ChartView::Form_Load() { cmdShowChart_Click(); }

void ChartView::cmdShowChart_Click() {
    CmdLeftVisible = false;
    cmdrightVisible = false;
    ShowChart(allChartFile(), "Rating Overview for " + displayName());
}

void ChartView::cmdyearview_Click() {
    CmdLeftVisible = false;
    cmdrightVisible = false;
    ShowChart(yearChartFile(), "Rating View by Year for " + displayName());
}

void ChartView::cmdshowdetail_Click() {
    DetailChart(allChartFile(), "Rating Detail View by Date for " + displayName());
}

void ChartView::CmdLeft_Click() {
    auto pageLength = pageSize();
    if (!pageLength) return;
    state_.detailOffset += *pageLength;
    cmdshowdetail_Click();
    cmdrightVisible = true;
}

void ChartView::cmdright_Click() {
    auto pageLength = pageSize();
    if (!pageLength) return;
    state_.detailOffset -= *pageLength;
    cmdshowdetail_Click();
    CmdLeftVisible = true;
}

void ChartView::setNumdetailText(const std::string& text) {
    txtNumdetail = text;
    txtNumdetail_Change();
}

void ChartView::txtNumdetail_Change() {
    // A half-typed or cleared box is left alone until it holds a usable size.
    auto pageLength = pageSize();
    if (!pageLength) return;
    // A page never asks for more events than the chart loaded last holds.
    // Setting the box runs this reaction again with the smaller size.
    if (*pageLength > state_.chartEventCount) setNumdetailText(signedForm(state_.chartEventCount));
    state_.detailOffset = 0;
    cmdshowdetail_Click();
}

std::optional<long long> ChartView::pageSize() const {
    std::string text = trimBlanks(txtNumdetail);
    if (!isNumberText(text)) return std::nullopt;
    double value = numericValue(text);
    if (value < 1 || value != std::floor(value)) return std::nullopt;
    return static_cast<long long>(std::min(value, kLargestPageSize));
}

void ChartView::Option1_Click() { setGraphType(ChartType::Line2d); }
void ChartView::Option2_Click() { setGraphType(ChartType::Bar2d); }
void ChartView::Option3_Click() { setGraphType(ChartType::Area2d); }
void ChartView::Option4_Click() { setGraphType(ChartType::Line3d); }

void ChartView::setGraphType(ChartType type) {
    graphType = type;
    MSChart1.setChartType(type);
}

void ChartView::cmdCopy_Click() {
    MSChart1.copyToClipboard();
    session_.messages.ok(kCopyTitle, kCopyText);
}

// ---- loading -------------------------------------------------------------------

void ChartView::loadChartFile(const std::string& filename) {
    ChartFile file = filename.empty() ? ChartFile{{}, "the ID box does not begin with an 8-digit member ID"}
                                      : readChartFile(filename);
    if (!file.problem.empty()) session_.messages.ok(kChartCaption, chartProblemText(filename, file));

    double lowest = 3000;
    std::optional<double> highest;
    for (const ChartLine& line : file.lines) {
        // A rating not yet set counts as 0, and a text before the event (an
        // unrated start) never counts as the lowest rating.
        if (line.post > highest.value_or(0)) highest = line.post;
        if (line.before && *line.before < lowest) lowest = *line.before;
    }
    state_.chartEventCount = static_cast<int>(file.lines.size());

    if (file.problem.empty()) {
        txtlowrating = numberText(lowest);
        txthighrating = highest ? numberText(*highest) : std::string();
        txtnumevents = numberText(state_.chartEventCount);
    } else {
        txtlowrating.clear();
        txthighrating.clear();
        txtnumevents.clear();
    }
    MSChart1.setValueAxisRange(axisMinimumFor(lowest), axisMaximumFor(highest));

    flexrating.setRows(state_.chartEventCount);
    for (int i = 0; i < state_.chartEventCount; ++i) {
        const ChartLine& line = file.lines[static_cast<std::size_t>(i)];
        flexrating.setText(i, 0, line.date);
        flexrating.setText(i, 1, signedForm(line.post));
    }
    // The files list the newest event first; the chart runs oldest to newest.
    flexrating.setCol(0);
    flexrating.sort(kSortNumericAscending);
}

std::string ChartView::chartProblemText(const std::string& filename, const ChartFile& file) const {
    // Nothing to chart yet is the usual case, not a fault of the store: it
    // is said in the player's words. A file that is there but unusable
    // names its path, so that it can be found.
    const std::string id = trimBlanks(left(session_.ui.CmbID, 8));
    if (id.empty())
        return "There is no member to chart yet. Type or pick a USCF ID in the main window, run "
               "\"Update Individual's Data\" or \"Analyse Only\", and open the charts again.";
    if (filename.empty()) return "Could not chart this member: " + file.problem + ".";
    std::error_code error;
    if (!std::filesystem::exists(filename, error) && !error)
        return "There are no charts for " + id + " yet. Run \"Update Individual's Data\" or \"Analyse Only\" " +
               "for this member first.";
    return "Could not chart " + filename + ": " + file.problem + ".";
}

void ChartView::plotGridRow(int chartRow, int gridRow) {
    MSChart1.setCurrentRow(chartRow);
    MSChart1.setRowValue(numberText(numericValue(flexrating.text(gridRow, 1))));
    MSChart1.setRowLabel(ConvertDate(flexrating.text(gridRow, 0)));
}

void ChartView::ShowChart(const std::string& filename, const std::string& title) {
    state_.chartEventCount = 0;
    MSChart1.setTitle(title);
    MSChart1.setColumnCount(1);
    loadChartFile(filename);
    MSChart1.setRowCount(std::min(state_.chartEventCount, kMaxChartRows));
    for (int i = 1; i <= std::min(state_.chartEventCount, kMaxChartRows); ++i) plotGridRow(i, i - 1);
}

void ChartView::DetailChart(const std::string& filename, const std::string& title) {
    auto pageLength = pageSize();
    if (!pageLength) return;
    const long long n = *pageLength;

    state_.chartEventCount = 0;
    CmdLeftVisible = true;
    MSChart1.setTitle(title);
    MSChart1.setColumnCount(1);
    loadChartFile(filename);

    const long long count = state_.chartEventCount;
    state_.detailFirstRow = count - (state_.detailOffset + n) + 1;
    if (state_.detailFirstRow < 1) state_.detailFirstRow = 1;
    // No older page exists once the page starts at the first event, clamped
    // or not.
    if (state_.detailFirstRow == 1) CmdLeftVisible = false;
    state_.detailLastRow = state_.detailFirstRow + n - 1;
    if (state_.detailLastRow > count) state_.detailLastRow = count;
    if (state_.detailLastRow + n - 1 > count) cmdrightVisible = false;

    const int rows = static_cast<int>(std::min<long long>(n, kMaxChartRows));
    MSChart1.setRowCount(rows);
    int chartRow = 0;
    for (long long i = state_.detailFirstRow; i <= state_.detailLastRow && chartRow < rows; ++i)
        plotGridRow(++chartRow, static_cast<int>(i - 1));
}

}  // namespace krv

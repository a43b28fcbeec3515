// The chart control as the rating charts drive it: one or more series of
// rows (categories), each row with a label and a value given as text, a
// value axis scaled by hand and a choice of graph type. Rows and columns are
// counted from 1, as the chart windows address them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace krv {

// The four graph types a player can choose. The numbers are the chart
// control's type codes, so a stored or logged code reads the same everywhere.
enum class ChartType : int {
    Bar2d = 1,
    Line3d = 2,
    Line2d = 3,
    Area2d = 5,
};

class Chart {
public:
    virtual ~Chart() = default;

    virtual void setTitle(const std::string& title) = 0;
    virtual void setColumnCount(int columns) = 0;
    // Every row starts empty: no value and no label. So a page with fewer
    // events than rows leaves the rows after the last event blank.
    virtual void setRowCount(int rows) = 0;
    // Selects the row that the next setRowValue/setRowLabel address.
    virtual void setCurrentRow(int row) = 0;
    // The value of the current row's point in column 1, as plain number text
    // ("1523"). A text that is not a number leaves the point empty.
    virtual void setRowValue(const std::string& value) = 0;
    virtual void setRowLabel(const std::string& label) = 0;
    // Switches automatic scaling of the value axis off and fixes its range.
    virtual void setValueAxisRange(double minimum, double maximum) = 0;
    virtual void setChartType(ChartType type) = 0;
    // Puts a picture of the chart as it stands on the clipboard.
    virtual void copyToClipboard() = 0;
};

// Everything a chart holds, as plain data. Tests read it back; the desktop
// program draws from it.
class RecordingChart : public Chart {
public:
    struct Row {
        std::optional<double> value;
        std::string label;
    };

    void setTitle(const std::string& text) override { title = text; }
    void setColumnCount(int columns) override { columnCount = columns; }
    void setRowCount(int count) override { rows.assign(count > 0 ? static_cast<std::size_t>(count) : 0, Row{}); }
    void setCurrentRow(int row) override { currentRow = row; }
    void setRowValue(const std::string& value) override;
    void setRowLabel(const std::string& label) override {
        if (Row* row = current()) row->label = label;
    }
    void setValueAxisRange(double minimum, double maximum) override {
        automaticScale = false;
        axisMinimum = minimum;
        axisMaximum = maximum;
    }
    void setChartType(ChartType type) override { chartType = type; }
    void copyToClipboard() override { ++copies; }

    // The values of the rows that hold one, in row order.
    std::vector<double> plottedValues() const;

    std::string title;
    int columnCount = 1;
    std::vector<Row> rows;
    int currentRow = 1;
    bool automaticScale = true;
    double axisMinimum = 0;
    double axisMaximum = 0;
    ChartType chartType = ChartType::Line2d;
    int copies = 0;

private:
    Row* current() {
        if (currentRow < 1 || currentRow > static_cast<int>(rows.size())) return nullptr;
        return &rows[static_cast<std::size_t>(currentRow - 1)];
    }
};

}  // namespace krv

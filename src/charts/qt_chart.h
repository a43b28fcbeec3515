// The chart control of the desktop program: keeps what the chart logic sets
// and draws it as a 2-D line, bar or area chart, or as a 3-D ribbon where the
// display offers OpenGL. Hovering a point shows its date and rating.
#pragma once

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/chart.h"

class QLabel;
class QPalette;
class QStackedWidget;

namespace krv {

// A palette whose windows are dark (a dark desktop theme): the charts then
// draw on a dark panel.
bool isDarkPalette(const QPalette& palette);

class PlotView;
class RibbonView;

class QtChart : public QWidget, public Chart {
    Q_OBJECT
public:
    explicit QtChart(QWidget* parent = nullptr);
    ~QtChart() override;

    void setTitle(const std::string& title) override;
    void setColumnCount(int columns) override;
    void setRowCount(int rows) override;
    void setCurrentRow(int row) override;
    void setRowValue(const std::string& value) override;
    void setRowLabel(const std::string& label) override;
    void setValueAxisRange(double minimum, double maximum) override;
    void setChartType(ChartType type) override;
    void copyToClipboard() override;

    // What the chart holds now.
    const RecordingChart& data() const { return data_; }
    // Draws the data if anything changed since the last drawing. Changes are
    // drawn on the next turn of the event loop anyway; a window calls this to
    // show a finished command at once.
    void redrawIfChanged();
    // The chart as a picture, as the clipboard receives it.
    QImage picture();
    // The hover text at a point of the 2-D plot (its viewport coordinates):
    // the date and rating of the point under it, or an empty text.
    QString pointTextAt(QPoint viewportPosition) const;
    QWidget* plotViewport() const;
    bool showsThreeD() const;
    // True when a 3-D graph can be created: a real display with OpenGL.
    static bool openGlUsable();
    // The colour behind the graph as drawn now: light or dark as the
    // desktop's palette is.
    QColor panelColour() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void changed();

    RecordingChart data_;
    bool dirty_ = true;
    bool redrawQueued_ = false;
    QStackedWidget* pages_ = nullptr;
    PlotView* plot_ = nullptr;
    RibbonView* ribbon_ = nullptr;  // created the first time 3-D is shown
    QLabel* note_ = nullptr;
};

}  // namespace krv

#include "charts/qt_chart.h"

#include <QAreaSeries>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineSeries>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtDataVisualization/Q3DCamera>
#include <QtDataVisualization/Q3DScene>
#include <QtDataVisualization/Q3DSurface>
#include <QtDataVisualization/Q3DTheme>
#include <QtDataVisualization/QSurface3DSeries>
#include <QtDataVisualization/QSurfaceDataProxy>
#include <QtDataVisualization/QValue3DAxis>
#include <QtDataVisualization/QValue3DAxisFormatter>

#include <algorithm>
#include <cmath>

#include "platform/qt_text.h"

namespace krv {

namespace {

const QColor kSeriesColour(31, 95, 168);
constexpr int kSlantedLabelSpacing = 22;  // room a slanted date label needs along the axis
constexpr int kRibbonLabelSpacing = 95;   // the 3-D dates lie flat and need more room
constexpr int kDateLabelDepth = 66;       // room below the plot for the slanted dates
constexpr int kMostMarkedPoints = 80;     // beyond this, markers would merge into a thick line

QString fromBytes(const std::string& text) { return fromCp1252(text); }

// A chart title keeps its blanks as they are ("for  -- Name").
QString titleText(const std::string& title) { return fromBytes(title).replace(' ', QChar(0x00A0)); }

QString ratingText(double value) { return QString::number(value, 'f', value == std::floor(value) ? 0 : 1); }

// The drawn axis range: the chart logic may ask for a minimum above the
// maximum (a single event whose rating fell below the hundred of the rating
// before it); draw such a range the right way round instead of refusing it.
std::pair<double, double> drawnRange(const RecordingChart& data) {
    double low = std::min(data.axisMinimum, data.axisMaximum);
    double high = std::max(data.axisMinimum, data.axisMaximum);
    if (high - low < 1) high = low + 100;
    return {low, high};
}

double tickStep(double span) {
    for (double step : {50.0, 100.0, 200.0, 250.0, 500.0, 1000.0})
        if (span / step <= 10) return step;
    return 1000;
}

// Which rows get a date label: every step-th row counted back from the
// newest, so the latest event is always named.
std::vector<int> labelledRows(const RecordingChart& data, int plotWidthPixels, int spacing) {
    std::vector<int> filled;
    for (int i = 0; i < static_cast<int>(data.rows.size()); ++i)
        if (!data.rows[static_cast<std::size_t>(i)].label.empty()) filled.push_back(i);
    if (filled.empty()) return {};
    int room = std::max(2, plotWidthPixels / spacing);
    int rowCount = static_cast<int>(data.rows.size());
    int step = std::max(1, (rowCount + room - 1) / room);
    std::vector<int> rows;
    for (int k = static_cast<int>(filled.size()) - 1; k >= 0; k -= step) rows.push_back(filled[k]);
    std::reverse(rows.begin(), rows.end());
    return rows;
}

}  // namespace

// ---- the 2-D plot ---------------------------------------------------------------

class PlotView : public QChartView {
public:
    explicit PlotView(QtChart* owner) : QChartView(new QChart), owner_(owner) {
        setRenderHint(QPainter::Antialiasing);
        setObjectName("MSChart1Plot");
        chart()->legend()->hide();
        chart()->setBackgroundRoundness(0);
        chart()->setMargins(QMargins(8, 4, 16, kDateLabelDepth));
        // The dates are drawn by hand, slanted and whole, where the axis
        // would shorten them to fit between the grid lines.
        QObject::connect(chart(), &QChart::plotAreaChanged, chart(), [this] { placeDateLabels(); });
        QFont titleFont = chart()->titleFont();
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
        titleFont.setBold(true);
        chart()->setTitleFont(titleFont);
        titleFont_ = titleFont;
    }

    // The chart's own theme paints a white panel; a dark desktop gets the
    // dark theme, so that the chart, its titles and its labels read as the
    // rest of the window does.
    void followPalette(const QPalette& palette) {
        const bool dark = isDarkPalette(palette);
        if (themed_ && dark == dark_) return;
        themed_ = true;
        dark_ = dark;
        chart()->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
        // The theme brings its own fonts and corners.
        chart()->setBackgroundRoundness(0);
        chart()->setTitleFont(titleFont_);
    }

    void draw(const RecordingChart& data, ChartType type) {
        QChart* c = chart();
        followPalette(palette());
        series_ = nullptr;
        c->removeAllSeries();
        for (QAbstractAxis* axis : c->axes()) {
            c->removeAxis(axis);
            delete axis;
        }
        c->setTitle(titleText(data.title));
        type_ = type;

        auto [low, high] = drawnRange(data);
        auto* valueAxis = new QValueAxis;
        valueAxis->setRange(low, high);
        valueAxis->setTickType(QValueAxis::TicksDynamic);
        valueAxis->setTickAnchor(0);
        valueAxis->setTickInterval(tickStep(high - low));
        valueAxis->setLabelFormat("%d");
        valueAxis->setTitleText("Rating");
        valueAxis->setGridLineColor(dark_ ? QColor(70, 74, 80) : QColor(220, 224, 230));
        c->addAxis(valueAxis, Qt::AlignLeft);

        const int rowCount = std::max(1, static_cast<int>(data.rows.size()));
        auto* dateAxis = new QCategoryAxis;
        dateAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        dateAxis->setStartValue(-0.5);
        dateAxis->setRange(-0.5, rowCount - 0.5);
        dateAxis->setLabelsVisible(false);
        dateAxis->setGridLineColor(dark_ ? QColor(58, 61, 66) : QColor(235, 237, 241));
        int plotWidth = c->plotArea().width() > 50 ? int(c->plotArea().width()) : width() - 120;
        for (QGraphicsSimpleTextItem* item : dateLabels_) delete item;
        dateLabels_.clear();
        labelRows_.clear();
        QFont labelFont = valueAxis->labelsFont();
        labelFont.setPointSizeF(labelFont.pointSizeF() * 0.9);
        QStringList used;
        for (int row : labelledRows(data, plotWidth, kSlantedLabelSpacing)) {
            // Category names must differ; two events of one date get an
            // invisible distinction.
            QString label = fromBytes(data.rows[static_cast<std::size_t>(row)].label);
            QString category = label;
            while (used.contains(category)) category += QChar(0x200B);
            used << category;
            dateAxis->append(category, row);
            auto* item = new QGraphicsSimpleTextItem(label, c);
            item->setFont(labelFont);
            item->setBrush(valueAxis->labelsBrush());
            item->setTransformOriginPoint(item->boundingRect().width(), 0);
            item->setRotation(-45);
            dateLabels_.push_back(item);
            labelRows_.push_back(row);
        }
        c->addAxis(dateAxis, Qt::AlignBottom);

        QAbstractSeries* series = nullptr;
        // The blue of the series, lighter on a dark panel.
        const QColor colour = dark_ ? kSeriesColour.lighter(170) : kSeriesColour;
        if (type == ChartType::Bar2d) series = barSeries(data, colour);
        else if (type == ChartType::Area2d) series = areaSeries(data, low, colour);
        else series = lineSeries(data, colour);
        c->addSeries(series);
        series->attachAxis(dateAxis);
        series->attachAxis(valueAxis);
        series_ = series;
        placeDateLabels();
    }

    // Each date ends under its point, slanting down to the left.
    void placeDateLabels() {
        if (!series_) return;
        QChart* c = chart();
        const double top = c->plotArea().bottom() + 5;
        for (std::size_t i = 0; i < dateLabels_.size(); ++i) {
            QGraphicsSimpleTextItem* item = dateLabels_[i];
            double x = c->mapToPosition(QPointF(labelRows_[i], 0), series_).x();
            item->setPos(x - item->boundingRect().width(), top);
        }
    }

    QString pointTextAt(const RecordingChart& data, QPoint position) const {
        if (!series_ || data.rows.empty()) return {};
        QChart* c = chart();
        QPointF at = c->mapFromScene(mapToScene(position));
        if (!c->plotArea().contains(at)) return {};
        QPointF value = c->mapToValue(at, series_);
        int index = int(std::lround(value.x()));
        if (index < 0 || index >= int(data.rows.size())) return {};
        const RecordingChart::Row& row = data.rows[static_cast<std::size_t>(index)];
        if (!row.value) return {};
        QPointF point = c->mapToPosition(QPointF(index, *row.value), series_);
        double halfColumn = std::max(6.0, c->plotArea().width() / double(data.rows.size()) / 2);
        if (std::abs(at.x() - point.x()) > halfColumn) return {};
        bool filledBelow = type_ == ChartType::Bar2d || type_ == ChartType::Area2d;
        if (filledBelow ? at.y() < point.y() - 10 : std::abs(at.y() - point.y()) > 14) return {};
        return fromBytes(row.label) + "\nRating: " + ratingText(*row.value);
    }

protected:
    bool viewportEvent(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            QString text = owner_->pointTextAt(help->pos());
            if (text.isEmpty()) QToolTip::hideText();
            else QToolTip::showText(help->globalPos(), text, viewport());
            return true;
        }
        return QChartView::viewportEvent(event);
    }

private:
    static QAbstractSeries* lineSeries(const RecordingChart& data, const QColor& colour) {
        auto* line = new QLineSeries;
        int points = 0;
        for (std::size_t i = 0; i < data.rows.size(); ++i)
            if (data.rows[i].value) {
                line->append(double(i), *data.rows[i].value);
                ++points;
            }
        line->setPen(QPen(colour, 2.5));
        line->setPointsVisible(points <= kMostMarkedPoints);
        line->setMarkerSize(7);
        return line;
    }

    static QAbstractSeries* barSeries(const RecordingChart& data, const QColor& colour) {
        auto* set = new QBarSet("Rating");
        for (const auto& row : data.rows) *set << row.value.value_or(0);
        QLinearGradient fill(0, 0, 0, 1);
        fill.setCoordinateMode(QGradient::ObjectMode);
        fill.setColorAt(0, colour.lighter(135));
        fill.setColorAt(1, colour);
        set->setBrush(fill);
        set->setPen(QPen(colour.darker(120), 1));
        auto* bars = new QBarSeries;
        bars->append(set);
        bars->setBarWidth(0.72);
        return bars;
    }

    static QAbstractSeries* areaSeries(const RecordingChart& data, double floor, const QColor& colour) {
        auto* upper = new QLineSeries;
        auto* lower = new QLineSeries;
        for (std::size_t i = 0; i < data.rows.size(); ++i)
            if (data.rows[i].value) {
                upper->append(double(i), *data.rows[i].value);
                lower->append(double(i), floor);
            }
        auto* area = new QAreaSeries(upper, lower);
        QLinearGradient fill(0, 0, 0, 1);
        fill.setCoordinateMode(QGradient::ObjectMode);
        fill.setColorAt(0, colour.lighter(150));
        fill.setColorAt(1, QColor(colour.red(), colour.green(), colour.blue(), 70));
        area->setBrush(fill);
        area->setPen(QPen(colour, 2));
        return area;
    }

    QtChart* owner_;
    QFont titleFont_;
    bool themed_ = false;
    bool dark_ = false;
    QAbstractSeries* series_ = nullptr;
    std::vector<QGraphicsSimpleTextItem*> dateLabels_;
    std::vector<int> labelRows_;
    ChartType type_ = ChartType::Line2d;
};

// ---- the 3-D ribbon ---------------------------------------------------------------

// Writes event dates under the ribbon instead of row numbers.
class DateAxisFormatter : public QValue3DAxisFormatter {
public:
    void setLabels(QStringList labels, QList<int> rows) {
        labels_ = std::move(labels);
        rows_ = std::move(rows);
        markDirty(true);
    }

protected:
    QValue3DAxisFormatter* createNewInstance() const override { return new DateAxisFormatter; }
    void populateCopy(QValue3DAxisFormatter& copy) const override {
        QValue3DAxisFormatter::populateCopy(copy);
        auto& mine = static_cast<DateAxisFormatter&>(copy);
        mine.labels_ = labels_;
        mine.rows_ = rows_;
    }
    void recalculate() override {
        gridPositions().clear();
        subGridPositions().clear();
        labelPositions().clear();
        labelStrings().clear();
        const float low = axis()->min();
        const float span = axis()->max() - low;
        if (span <= 0) return;
        for (int k = 0; k < rows_.size(); ++k) {
            float position = (float(rows_[k]) - low) / span;
            if (position < 0 || position > 1) continue;
            gridPositions() << position;
            labelPositions() << position;
            labelStrings() << labels_[k];
        }
    }

private:
    QStringList labels_;
    QList<int> rows_;
};

class RibbonView : public QWidget {
public:
    explicit RibbonView(QWidget* parent) : QWidget(parent) {
        setObjectName("MSChart1Ribbon");
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        // Title and graph read as one panel, as in the 2-D charts.
        layout->setSpacing(0);
        title_ = new QLabel(this);
        title_->setAlignment(Qt::AlignCenter);
        QFont titleFont = title_->font();
        titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
        titleFont.setBold(true);
        title_->setFont(titleFont);
        title_->setAutoFillBackground(true);
        layout->addWidget(title_);

        graph_ = new Q3DSurface;
        container_ = QWidget::createWindowContainer(graph_, this);
        container_->setMinimumSize(200, 150);
        layout->addWidget(container_, 1);

        Q3DTheme* theme = graph_->activeTheme();
        theme->setType(Q3DTheme::ThemeQt);
        theme->setLabelBackgroundEnabled(false);
        theme->setLabelBorderEnabled(false);
        theme->setAmbientLightStrength(0.7f);
        QFont font = theme->font();
        font.setPointSize(15);
        theme->setFont(font);
        followPalette(palette());

        graph_->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
        graph_->setSelectionMode(QAbstract3DGraph::SelectionItem);
        graph_->setHorizontalAspectRatio(3.2);
        graph_->setAspectRatio(2.4);

        formatter_ = new DateAxisFormatter;
        graph_->axisX()->setFormatter(formatter_);
        graph_->axisY()->setLabelFormat("%d");
        graph_->axisY()->setTitle("Rating");
        graph_->axisY()->setTitleVisible(true);
        // Seen from this camera the rating labels on the right stand at the
        // back edge of the floor. In perspective whatever lies nearer than
        // that edge looks wider, so a ribbon reaching to the front would run
        // over those labels at its newest end, at any size or scale. Its two
        // rows (depth 0 and 1) therefore lie along the back third of the
        // floor, just off the back wall.
        graph_->axisZ()->setRange(-1.9f, 1.1f);
        graph_->axisZ()->setSegmentCount(1);
        graph_->axisZ()->setLabelFormat(" ");
        graph_->axisY()->setLabelAutoRotation(30);
        graph_->scene()->activeCamera()->setCameraPosition(-14, 20, 118);
        // Looking a little below the centre lifts the graph, so the dates
        // under it stay inside the view.
        graph_->scene()->activeCamera()->setTarget(QVector3D(0.0f, -0.3f, 0.0f));

        series_ = new QSurface3DSeries;
        series_->setDrawMode(QSurface3DSeries::DrawSurface);
        series_->setFlatShadingEnabled(true);
        series_->setWireframeColor(kSeriesColour.darker(130));
        series_->setBaseColor(kSeriesColour.lighter(125));
        series_->setColorStyle(Q3DTheme::ColorStyleUniform);
        series_->setItemLabelFormat("@yLabel");
        graph_->addSeries(series_);
    }

    // The title above and the panel of the graph take the desktop's light
    // or dark colours, so the title reads in both.
    void followPalette(const QPalette& palette) {
        const bool dark = isDarkPalette(palette);
        const QColor panel = dark ? QColor(34, 36, 40) : QColor(Qt::white);
        const QColor text = dark ? QColor(225, 228, 232) : QColor(40, 40, 40);
        QPalette titlePalette = title_->palette();
        titlePalette.setColor(QPalette::Window, panel);
        titlePalette.setColor(QPalette::WindowText, text);
        title_->setPalette(titlePalette);
        Q3DTheme* theme = graph_->activeTheme();
        theme->setBackgroundColor(panel);
        theme->setWindowColor(panel);
        theme->setLabelTextColor(text);
        theme->setGridLineColor(dark ? QColor(80, 84, 90) : QColor(200, 205, 212));
        // The light that shades the ribbon also lights the walls: at full
        // strength it would turn a dark back wall light grey under its grid.
        theme->setLightStrength(dark ? 2.0f : 6.0f);
        // The labels are drawn small and slanted, where thin light strokes
        // on a dark panel fade (the dashes of the dates vanish), so they are
        // drawn heavier there.
        QFont font = theme->font();
        font.setWeight(dark ? QFont::DemiBold : QFont::Normal);
        theme->setFont(font);
    }

    QColor panel() const { return graph_->activeTheme()->windowColor(); }

    void draw(const RecordingChart& data) {
        followPalette(palette());
        title_->setText(fromBytes(data.title));
        auto [low, high] = drawnRange(data);
        graph_->axisY()->setRange(float(low), float(high));
        graph_->axisY()->setSegmentCount(std::max(1, int((high - low) / tickStep(high - low))));

        const int rowCount = std::max(1, static_cast<int>(data.rows.size()));
        graph_->axisX()->setRange(-0.5f, float(rowCount) - 0.5f);
        QStringList labels;
        QList<int> rows;
        for (int row : labelledRows(data, container_->width(), kRibbonLabelSpacing)) {
            labels << fromBytes(data.rows[static_cast<std::size_t>(row)].label);
            rows << row;
        }
        formatter_->setLabels(labels, rows);

        // Two rows of equal heights make a ribbon: a line with depth. A
        // single event gets a short flat ribbon of its own.
        std::vector<std::pair<float, float>> points;
        for (std::size_t i = 0; i < data.rows.size(); ++i)
            if (data.rows[i].value) points.emplace_back(float(i), float(*data.rows[i].value));
        if (points.size() == 1) {
            auto only = points.front();
            points = {{only.first - 0.3f, only.second}, {only.first + 0.3f, only.second}};
        }
        auto* array = new QSurfaceDataArray;
        if (!points.empty()) {
            for (float depth : {0.0f, 1.0f}) {
                auto* line = new QSurfaceDataRow(qsizetype(points.size()));
                for (std::size_t i = 0; i < points.size(); ++i)
                    (*line)[qsizetype(i)].setPosition(QVector3D(points[i].first, points[i].second, depth));
                *array << line;
            }
        }
        series_->dataProxy()->resetArray(array);
    }

    QImage picture() {
        QPixmap page = grab();
        // The graph scales the viewport of an image it renders by the
        // screen's pixel ratio once more, which at a ratio of 2 gives a
        // picture of the lower left quarter: render into device pixels at
        // ratio 1.
        Q3DScene* scene = graph_->scene();
        const float ratio = scene->devicePixelRatio();
        scene->setDevicePixelRatio(1.0f);
        QImage rendered = graph_->renderToImage(0, container_->size() * devicePixelRatioF());
        scene->setDevicePixelRatio(ratio);
        QPainter painter(&page);
        painter.drawImage(QRect(container_->pos(), container_->size()), rendered);
        painter.end();
        return page.toImage();
    }

private:
    QLabel* title_ = nullptr;
    Q3DSurface* graph_ = nullptr;
    QWidget* container_ = nullptr;
    DateAxisFormatter* formatter_ = nullptr;
    QSurface3DSeries* series_ = nullptr;
};

// ---- the control ------------------------------------------------------------------

QtChart::QtChart(QWidget* parent) : QWidget(parent) {
    setObjectName("MSChart1");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    pages_ = new QStackedWidget(this);
    plot_ = new PlotView(this);
    pages_->addWidget(plot_);
    layout->addWidget(pages_, 1);
    note_ = new QLabel("3-D graphs need OpenGL, which this display does not offer: showing the line graph.", this);
    note_->setObjectName("lbl3dnote");
    note_->setAlignment(Qt::AlignCenter);
    note_->hide();
    layout->addWidget(note_);
}

QtChart::~QtChart() = default;

bool QtChart::openGlUsable() {
    static const bool usable = [] {
        // The offscreen and minimal platforms have no GL that the 3-D graphs
        // can use; creating one there brings the program down.
        const QString platform = QGuiApplication::platformName();
        if (platform == "offscreen" || platform == "minimal") return false;
        QOpenGLContext context;
        if (!context.create()) return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        if (!surface.isValid()) return false;
        bool current = context.makeCurrent(&surface);
        if (current) context.doneCurrent();
        return current;
    }();
    return usable;
}

void QtChart::changed() {
    dirty_ = true;
    if (redrawQueued_) return;
    redrawQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        redrawQueued_ = false;
        redrawIfChanged();
    });
}

void QtChart::setTitle(const std::string& title) {
    data_.setTitle(title);
    changed();
}
void QtChart::setColumnCount(int columns) {
    data_.setColumnCount(columns);
    changed();
}
void QtChart::setRowCount(int rows) {
    data_.setRowCount(rows);
    changed();
}
void QtChart::setCurrentRow(int row) { data_.setCurrentRow(row); }
void QtChart::setRowValue(const std::string& value) {
    data_.setRowValue(value);
    changed();
}
void QtChart::setRowLabel(const std::string& label) {
    data_.setRowLabel(label);
    changed();
}
void QtChart::setValueAxisRange(double minimum, double maximum) {
    data_.setValueAxisRange(minimum, maximum);
    changed();
}
void QtChart::setChartType(ChartType type) {
    data_.setChartType(type);
    changed();
}

void QtChart::copyToClipboard() { QGuiApplication::clipboard()->setImage(picture()); }

bool QtChart::showsThreeD() const { return ribbon_ && pages_->currentWidget() == ribbon_; }

QWidget* QtChart::plotViewport() const { return plot_->viewport(); }

void QtChart::redrawIfChanged() {
    if (!dirty_) return;
    dirty_ = false;
    const bool threeD = data_.chartType == ChartType::Line3d;
    const bool canShowThreeD = threeD && openGlUsable();
    note_->setVisible(threeD && !canShowThreeD);
    if (canShowThreeD) {
        if (!ribbon_) {
            ribbon_ = new RibbonView(pages_);
            pages_->addWidget(ribbon_);
        }
        pages_->setCurrentWidget(ribbon_);
        ribbon_->draw(data_);
    } else {
        pages_->setCurrentWidget(plot_);
        plot_->draw(data_, threeD ? ChartType::Line2d : data_.chartType);
    }
}

QImage QtChart::picture() {
    redrawIfChanged();
    if (showsThreeD()) return ribbon_->picture();
    return plot_->grab().toImage();
}

QString QtChart::pointTextAt(QPoint viewportPosition) const {
    if (showsThreeD()) return {};
    return plot_->pointTextAt(data_, viewportPosition);
}

bool isDarkPalette(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

QColor QtChart::panelColour() const {
    if (showsThreeD()) return ribbon_->panel();
    // The themes paint the panel with a gradient; its first colour is
    // the one behind the title.
    const QBrush brush = plot_->chart()->backgroundBrush();
    if (const QGradient* gradient = brush.gradient(); gradient && !gradient->stops().isEmpty())
        return gradient->stops().first().second;
    return brush.color();
}

void QtChart::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between light and dark.
    if (event->type() == QEvent::PaletteChange) changed();
}

void QtChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The number of date labels that fit depends on the width.
    changed();
}

}  // namespace krv

// The chart window on a member with 100 events; the paging, scaling and file
// handling behind it are tested without the window in chart_view_test.
#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "platform/grid.h"
#include "platform/qt_grid_model.h"
#include "platform/text.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

// Event k (1 = oldest) has the rating 1400 + 3k and a date in month k from 1995.
std::vector<double> events(int first, int last) {
    std::vector<double> values;
    for (int k = first; k <= last; ++k) values.push_back(1400 + 3 * k);
    return values;
}

// True when the picture holds more than one colour: a drawn chart.
bool hasDrawing(const QImage& image) {
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixel(x, y) != image.pixel(0, 0)) return true;
    return false;
}

}  // namespace

class ChartWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<krv::testing::TempDir> dir_;
    RecordingMessageBox boxes_;
    krv::testing::FakeDownloader offline_;
    std::unique_ptr<KrvSession> session_;
    QPointer<FormChart> window_;

    FormChart& openWindow(const std::string& idBox = "12345678 -- Doe, Jane") {
        session_->pickIdBoxEntry(idBox);
        FormChart* w = showFormChart(*session_, window_);
        if (!QTest::qWaitForWindowExposed(w)) qFatal("the chart window was not shown");
        return *w;
    }
    template <typename T = QAbstractButton>
    T* control(const char* name) {
        if (T* found = window_->findChild<T*>(name)) return found;
        qFatal("no control %s", name);
    }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    bool arrowsShown(bool left, bool right) {
        return control("CmdLeft")->isHidden() != left && control("cmdright")->isHidden() != right;
    }
    std::vector<double> plotted() { return window_->chart().data().plottedValues(); }

private slots:
    void init() {
        dir_ = std::make_unique<krv::testing::TempDir>();
        boxes_.shown.clear();
        session_ = std::make_unique<KrvSession>(SessionOptions{*dir_ / "KRV"}, boxes_, offline_);
        std::vector<std::string> lines;
        for (int k = 100; k >= 1; --k)
            lines.push_back(std::to_string((1995 + (k - 1) / 12) * 10000 + ((k - 1) % 12 + 1) * 100 + 20) + "," +
                            std::to_string(1390 + 3 * k) + "," + std::to_string(1400 + 3 * k));
        krv::testing::writeBytes(session_->store().results() + "/12345678/allChart.txt", joinLinesCrLf(lines));
    }
    void cleanup() {
        if (window_) window_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        session_.reset();
        dir_.reset();
    }

    void opensOnTheOverviewAndTheButtonsMoveThePage() {
        openWindow();
        QVERIFY(arrowsShown(false, false));
        QVERIFY(control<QRadioButton>("Option1")->isChecked());
        QCOMPARE(plotted(), events(1, 100));
        QVERIFY(boxes_.shown.empty());

        click("cmdshowdetail");
        QCOMPARE(plotted(), events(71, 100));
        QVERIFY(arrowsShown(true, false));
        click("CmdLeft");
        QCOMPARE(plotted(), events(41, 70));
        QVERIFY(arrowsShown(true, true));
        click("cmdright");
        QCOMPARE(plotted(), events(71, 100));
        auto* pageSize = control<QLineEdit>("txtNumdetail");
        pageSize->selectAll();
        QTest::keyClicks(pageSize, "10");
        QCOMPARE(plotted(), events(91, 100));
        click("Option2");
        QCOMPARE(window_->chart().data().chartType, ChartType::Bar2d);
        click("cmdShowChart");
        QVERIFY(arrowsShown(false, false));

        if (QtChart::openGlUsable()) return;
        // Without OpenGL "3D" draws the line graph and says why.
        click("Option4");
        QVERIFY(!window_->chart().showsThreeD());
        QVERIFY(!control<QLabel>("lbl3dnote")->isHidden());
        QVERIFY(hasDrawing(window_->chart().picture()));
        click("Option1");
        QVERIFY(control<QLabel>("lbl3dnote")->isHidden());
    }

    // Stored bytes 0x80-0x9F read as Windows-1252 in a chart title as in a
    // grid cell (and on paper: print_pdf_test), so a typographic apostrophe
    // and a euro sign look alike everywhere.
    void highBytesShowAsWindows1252InTitlesAndGrids() {
        const std::string name =
            "O\x92"
            "BRIEN, \x80"
            "VA";
        const QString shown = QString::fromUtf8("O\u2019BRIEN, \u20ACVA");
        openWindow("12345678 -- " + name);
        const QString title = control<QChartView>("MSChart1Plot")->chart()->title();
        QVERIFY2(title.contains(QString(shown).replace(' ', QChar(0x00A0))), qPrintable(title));

        Grid grid;
        grid.setCols(1);
        grid.setRows(1);
        grid.setText(0, 0, name);
        QtGridModel model(grid, {"Name"});
        model.refresh();
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), shown);
    }

    void withoutAMemberItSaysSoAndEscapeOrCtrlWClose() {
        openWindow("");
        QCOMPARE(boxes_.shown.size(), std::size_t(1));
        QVERIFY(boxes_.shown[0].text.starts_with("There is no member to chart yet."));
        QVERIFY(boxes_.shown[0].text.find("allChart") == std::string::npos);
        for (auto [key, modifiers] :
             {std::pair{Qt::Key_Escape, Qt::NoModifier}, std::pair{Qt::Key_W, Qt::ControlModifier}}) {
            FormChart& w = openWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            control("cmdyearview")->setFocus();
            QTest::keyClick(control("cmdyearview"), key, modifiers);
            QTRY_VERIFY(window_.isNull());
        }
        // Return on a focused button presses it.
        openWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_));
        control("cmdshowdetail")->setFocus();
        QTest::keyClick(control("cmdshowdetail"), Qt::Key_Return);
        QCOMPARE(plotted(), events(71, 100));
    }

    void theChartFollowsADarkPaletteAndItsTitleStaysReadable() {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Window, QColor(40, 42, 46));
        dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
        dark.setColor(QPalette::Base, QColor(30, 30, 34));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        auto readable = [](const QColor& text, const QColor& panel) {
            return std::abs(text.lightness() - panel.lightness()) > 100;
        };
        for (const QPalette& palette : {dark, light}) {
            QApplication::setPalette(palette);
            FormChart& w = openWindow();
            // A palette changed while the window is open applies too.
            QApplication::setPalette(isDarkPalette(palette) ? light : dark);
            QApplication::setPalette(palette);
            QTest::qWait(20);
            w.chart().redrawIfChanged();
            const bool isDark = isDarkPalette(palette);
            QCOMPARE(w.chart().panelColour().lightness() < 128, isDark);
            auto* view = w.findChild<QChartView*>("MSChart1Plot");
            QVERIFY(view);
            const QColor panel = w.chart().panelColour();
            QVERIFY(readable(view->chart()->titleBrush().color(), panel));
            // The dates are drawn by hand, in the axis labels' colour.
            for (QAbstractAxis* axis : view->chart()->axes(Qt::Vertical))
                QVERIFY(readable(axis->labelsBrush().color(), panel));
            w.close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        QApplication::setPalette(light);
    }

    void copyPutsThePictureOnTheClipboard() {
        openWindow();
        QGuiApplication::clipboard()->clear();
        click("cmdCopy");
        const QImage copied = QGuiApplication::clipboard()->image();
        QVERIFY(hasDrawing(copied) && copied.width() > 300);
        QCOMPARE(boxes_.shown.size(), std::size_t(1));
        QCOMPARE(boxes_.shown[0].title, std::string("Copy to Clipboard"));
    }

    void hoveringAPointNamesItsDateAndRating() {
        FormChart& w = openWindow();
        click("cmdshowdetail");
        auto* view = w.findChild<QChartView*>("MSChart1Plot");
        QVERIFY(view);
        auto* series = qobject_cast<QLineSeries*>(view->chart()->series().value(0));
        QVERIFY(series);
        // The fourth point of the page is event 74: month 2 of 2001.
        const QPointF onPoint = view->chart()->mapToPosition(QPointF(3, 1400 + 3 * 74), series);
        const QPoint at = view->mapFromScene(view->chart()->mapToScene(onPoint));
        QCOMPARE(w.chart().pointTextAt(at), QString("02-20-2001\nRating: 1622"));
        QCOMPARE(w.chart().pointTextAt(at + QPoint(0, 60)), QString());
    }

    void aMissingChartFileIsReportedNotFatal() {
        FormChart& w = openWindow("87654321 -- Roe, Richard");
        QCOMPARE(boxes_.shown.size(), std::size_t(1));
        // A member not analysed yet: said in plain words, without a path.
        QCOMPARE(boxes_.shown[0].text, std::string("There are no charts for 87654321 yet. Run \"Update Individual's "
                                                   "Data\" or \"Analyse Only\" for this member first."));
        QVERIFY(w.chart().data().rows.empty());
        click("cmdshowdetail");
        click("cmdCopy");
        QVERIFY(!QGuiApplication::clipboard()->image().isNull());
    }

    // Run under a display with OpenGL (see CMakeLists.txt): the ribbon is
    // drawn, paged and copied.
    void threeDRibbon() {
        if (!QtChart::openGlUsable()) QSKIP("no OpenGL on this display");
        openWindow();
        click("Option4");
        QVERIFY(window_->chart().showsThreeD());
        QVERIFY(control<QLabel>("lbl3dnote")->isHidden());
        QTest::qWait(200);
        QVERIFY(hasDrawing(window_->chart().picture()));
        click("cmdshowdetail");
        click("CmdLeft");
        QVERIFY(window_->chart().showsThreeD());
        QCOMPARE(plotted(), events(41, 70));
        click("cmdCopy");
        QVERIFY(hasDrawing(QGuiApplication::clipboard()->image()));
    }
};

QTEST_MAIN(ChartWindowTest)
#include "chart_window_test.moc"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "charts/chart_view.h"
#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "platform/text.h"
#include "shell/session.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

class NoNetwork : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

// Event k (1 = oldest) has the rating 1400 + 3k and a date in month k.
std::string hundredEvents() {
    std::vector<std::string> lines;
    for (int k = 100; k >= 1; --k) {
        int year = 1995 + (k - 1) / 12, month = (k - 1) % 12 + 1;
        lines.push_back(" " + std::to_string(year * 10000 + month * 100 + 20) + " , " + std::to_string(1390 + 3 * k) +
                        " , " + std::to_string(1400 + 3 * k) + " ");
    }
    return joinLinesCrLf(lines);
}

std::vector<double> events(int first, int last) {
    std::vector<double> values;
    for (int k = first; k <= last; ++k) values.push_back(1400 + 3 * k);
    return values;
}

// True when the picture holds more than one colour: a drawn chart.
bool hasDrawing(const QImage& image) {
    if (image.isNull()) return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixel(x, y) != first) return true;
    return false;
}

}  // namespace

class ChartWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<krv::testing::TempDir> dir_;
    RecordingMessageBox boxes_;
    NoNetwork network_;
    std::unique_ptr<KrvSession> session_;
    QPointer<FormChart> window_;

    FormChart& openWindow(const std::string& idBox = "12345678 -- Doe, Jane") {
        session_->pickIdBoxEntry(idBox);
        FormChart* w = showFormChart(*session_, window_);
        if (!QTest::qWaitForWindowExposed(w)) qFatal("the chart window was not shown");
        return *w;
    }
    void closeWindow() {
        if (!window_) return;
        window_->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <typename T>
    T* control(const char* name) {
        T* found = window_->findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
    void click(const char* name) { QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton); }
    std::vector<double> plotted() { return window_->chart().data().plottedValues(); }

private slots:
    void init() {
        dir_ = std::make_unique<krv::testing::TempDir>();
        boxes_.shown.clear();
        session_ = std::make_unique<KrvSession>(SessionOptions{*dir_ / "KRV"}, boxes_, network_);
        krv::testing::writeBytes(session_->store().results() + "/12345678/allChart.txt", hundredEvents());
        krv::testing::writeBytes(session_->store().results() + "/12345678/yearChart.txt",
                                 "2003, 1684 , 1700 \r\n2002, 1648 , 1664 \r\n");
    }
    void cleanup() {
        closeWindow();
        session_.reset();
        dir_.reset();
    }

    void opensOnTheOverviewWithTheArrowsHiddenAndLineSelected() {
        FormChart& w = openWindow();
        QCOMPARE(w.windowTitle(), QString("KRV Graphs"));
        QVERIFY(control<QToolButton>("CmdLeft")->isHidden());
        QVERIFY(control<QToolButton>("cmdright")->isHidden());
        QVERIFY(control<QRadioButton>("Option1")->isChecked());
        QCOMPARE(control<QLineEdit>("txtNumdetail")->text(), QString("30"));
        QCOMPARE(control<QLineEdit>("txtNumdetail")->toolTip(), QString("Adjust the degree of detail"));
        QCOMPARE(control<QPushButton>("cmdShowChart")->text(), QString("Over View "));
        QCOMPARE(control<QPushButton>("cmdCopy")->text(), QString("Copy Current View  to ClipBoard"));
        QCOMPARE(control<QLineEdit>("txtnumevents")->text(), QString("100"));
        QCOMPARE(control<QLineEdit>("txthighrating")->text(), QString("1700"));
        QCOMPARE(control<QLineEdit>("txtlowrating")->text(), QString("1393"));
        QCOMPARE(w.chart().data().title, std::string("Rating Overview for  -- Doe, Jane"));
        QCOMPARE(plotted(), events(1, 100));
        QVERIFY(boxes_.shown.empty());
    }

    void detailedViewAndArrowsMoveThePage() {
        openWindow();
        click("cmdshowdetail");
        QCOMPARE(plotted(), events(71, 100));
        QVERIFY(!control<QToolButton>("CmdLeft")->isHidden());
        QVERIFY(control<QToolButton>("cmdright")->isHidden());
        click("CmdLeft");
        QCOMPARE(plotted(), events(41, 70));
        QVERIFY(!control<QToolButton>("cmdright")->isHidden());
        click("cmdright");
        QCOMPARE(plotted(), events(71, 100));
        click("cmdShowChart");
        QVERIFY(control<QToolButton>("CmdLeft")->isHidden());
    }

    void typingAPageSizeRedrawsTheNewestPage() {
        openWindow();
        QLineEdit* box = control<QLineEdit>("txtNumdetail");
        box->selectAll();
        QTest::keyClicks(box, "10");
        QCOMPARE(plotted(), events(91, 100));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Backspace);  // an empty box changes nothing
        QCOMPARE(plotted(), events(100, 100));
        QCOMPARE(box->text(), QString());
        click("cmdyearview");
        QTest::keyClicks(box, "7");  // more than the 2 years loaded last
        QCOMPARE(box->text(), QString(" 2"));
        QCOMPARE(plotted(), events(99, 100));
    }

    void theGraphTypeSurvivesTheOverviewAndNotTheWindow() {
        openWindow();
        click("Option2");
        QCOMPARE(window_->chart().data().chartType, ChartType::Bar2d);
        click("cmdShowChart");
        QCOMPARE(window_->chart().data().chartType, ChartType::Bar2d);
        QVERIFY(control<QRadioButton>("Option2")->isChecked());
        click("Option3");
        QVERIFY(hasDrawing(window_->chart().picture()));
        closeWindow();
        openWindow();
        QVERIFY(control<QRadioButton>("Option1")->isChecked());
        QCOMPARE(window_->chart().data().chartType, ChartType::Line2d);
    }

    void threeDWithoutOpenGlShowsTheLineAndSaysWhy() {
        if (QtChart::openGlUsable()) QSKIP("this display has OpenGL");
        openWindow();
        click("Option4");
        QVERIFY(!window_->chart().showsThreeD());
        QVERIFY(!control<QLabel>("lbl3dnote")->isHidden());
        QVERIFY(hasDrawing(window_->chart().picture()));
        click("Option1");
        QVERIFY(control<QLabel>("lbl3dnote")->isHidden());
    }

    void copyPutsThePictureOnTheClipboard() {
        openWindow();
        QGuiApplication::clipboard()->clear();
        click("cmdCopy");
        QImage copied = QGuiApplication::clipboard()->image();
        QVERIFY(hasDrawing(copied));
        QVERIFY(copied.width() > 300);
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
        QPointF onPoint = view->chart()->mapToPosition(QPointF(3, 1400 + 3 * 74), series);
        QPoint at = view->mapFromScene(view->chart()->mapToScene(onPoint));
        QCOMPARE(w.chart().pointTextAt(at), QString("02-20-2001\nRating: 1622"));
        QCOMPARE(w.chart().pointTextAt(at + QPoint(0, 60)), QString());
    }

    void aMissingChartFileIsReportedNotFatal() {
        FormChart& w = openWindow("87654321 -- Roe, Richard");
        QCOMPARE(boxes_.shown.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(boxes_.shown[0].text).contains("87654321/allChart.txt"));
        QVERIFY(w.chart().data().rows.empty());
        click("cmdshowdetail");
        click("cmdCopy");
        QVERIFY(!QGuiApplication::clipboard()->image().isNull());
    }

    void closingDeletesTheWindowAndTheNextOneKeepsThePage() {
        openWindow();
        click("cmdshowdetail");
        click("CmdLeft");
        click("cmdExit");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window_.isNull());
        openWindow();
        QCOMPARE(plotted(), events(1, 100));
        click("cmdshowdetail");
        QCOMPARE(plotted(), events(41, 70));
    }

    // Run under a display with OpenGL (see CMakeLists.txt): the ribbon is drawn
    // and copied.
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

// The web window opened from the main window's tournament grid, after a
// real update from the sample rating service, offscreen.
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include "gui_test_support.h"
#include "web/web_window.h"
#include "web_test_environment.h"

using namespace krv;
using krv::testing::ProgramRun;
using krv::testing::SampleService;

namespace {

const char* const kMember = "30302490";
constexpr int kRunTimeoutMs = 240000;
constexpr int kLoadTimeoutMs = 30000;
constexpr int kQuietMs = 700;
constexpr int kEventNameColumn = 8;
constexpr int kFileNameColumn = 10;

}  // namespace

class WebFromMainWindowTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { krv::testing::prepareWebEngineForTests(); }

private slots:
    void aTournamentClickOpensThatEventsCrosstable();
};

void WebFromMainWindowTest::aTournamentClickOpensThatEventsCrosstable() {
    SampleService service;
    QVERIFY(service.running());
    QTemporaryDir store;
    ProgramRun run(store.filePath("KRV").toStdString(), service.baseUrl());
    cmdanalyse& main = run.windows.mainWindow();
    // As the program wires it: each tournament click shows the one web window.
    QPointer<FormWeb> web;
    QObject::connect(&main, &cmdanalyse::crosstableRequested, &main,
                     [&](const QString&) { showFormWeb(run.session, web, &main); });
    run.start();

    auto* box = run.find<QComboBox>("CmbID");
    QTest::keyClicks(box->lineEdit(), kMember);
    QSignalSpy finished(&run.windows, &AppWindows::runFinished);
    run.button("CmdUpdateData")->click();
    QVERIFY(finished.wait(kRunTimeoutMs));

    QTableView& grid = main.tournamentGrid();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(grid.model()->rowCount() >= 2);
    auto clickCell = [&](int row, int column) {
        const QPoint centre = grid.visualRect(grid.model()->index(row, column)).center();
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre);
    };
    auto cell = [&](int row, int column) { return grid.model()->index(row, column).data().toString(); };

    // Any column but the event name opens nothing.
    for (int column : {0, 1, 3, 7}) clickCell(1, column);
    QTest::qWait(kQuietMs);
    QVERIFY(web.isNull());

    clickCell(1, kEventNameColumn);
    QVERIFY(web);
    QVERIFY(web->isVisible());
    const QString key = cell(1, kFileNameColumn).section(".txt", 0, 0, QString::SectionCaseInsensitiveSeps);
    const QString address = QString::fromStdString(service.baseUrl()) + "/krv/XtblMain.php?" + key;
    QTRY_COMPARE_WITH_TIMEOUT(web->WebBrowser1()->url().toString(), address, kLoadTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(web->WebBrowser1()->title().contains(cell(1, kEventNameColumn).trimmed()),
                             kLoadTimeoutMs);

    // Another tournament while the window is open: same window, same page.
    int other = 0;
    while (other < grid.model()->rowCount() - 1 && cell(other, kFileNameColumn).startsWith(key)) ++other;
    QVERIFY(!cell(other, kFileNameColumn).startsWith(key));
    FormWeb* first = web;
    clickCell(other, kEventNameColumn);
    QCOMPARE(web.data(), first);
    QTest::qWait(kQuietMs);
    QCOMPARE(web->WebBrowser1()->url().toString(), address);
}

QTEST_MAIN(WebFromMainWindowTest)
#include "web_from_main_window_test.moc"

// The web window opened from the main window's tournament grid, after a
// real update from the sample rating service, offscreen. What the window
// does once open is tested in web_window_test.
#include <QPointer>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

#include "gui_test_support.h"
#include "web/web_window.h"
#include "web_test_environment.h"

using namespace krv;

class WebFromMainWindowTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { krv::testing::prepareWebEngineForTests(); }

private slots:
    void aTournamentClickOpensThatEventsCrosstable() {
        krv::testing::SampleService service;
        QVERIFY(service.running());
        QTemporaryDir store;
        krv::testing::ProgramRun run(store.filePath("KRV").toStdString(), service.baseUrl());
        cmdanalyse& main = run.windows.mainWindow();
        // As the program wires it: each tournament click shows the one web window.
        QPointer<FormWeb> web;
        connect(&main, &cmdanalyse::crosstableRequested, &main,
                [&](const QString&) { showFormWeb(run.session, web, &main); });
        run.start();
        run.typeId("30302490");
        QVERIFY(run.update());

        QTableView& grid = main.tournamentGrid();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(grid.model()->rowCount() >= 2);
        auto clickCell = [&](int row, int column) {
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                              grid.visualRect(grid.model()->index(row, column)).center());
        };
        auto cell = [&](int row, int column) { return grid.model()->index(row, column).data().toString(); };
        const int eventName = 8, fileName = 10;  // the file name column is hidden

        for (int column : {0, 1, 3, 7}) clickCell(1, column);  // any column but the event name opens nothing
        QTest::qWait(700);
        QVERIFY(web.isNull());

        clickCell(1, eventName);
        QVERIFY(web && web->isVisible());
        const QString key = cell(1, fileName).section(".txt", 0, 0, QString::SectionCaseInsensitiveSeps);
        QTRY_COMPARE_WITH_TIMEOUT(web->WebBrowser1()->url().toString(),
                                  QString::fromStdString(service.baseUrl()) + "/krv/XtblMain.php?" + key, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(web->WebBrowser1()->title().contains(cell(1, eventName).trimmed()), 30000);
    }
};

QTEST_MAIN(WebFromMainWindowTest)
#include "web_from_main_window_test.moc"

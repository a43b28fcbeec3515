// Windows come back where the player left them: one run of the program
// moves and sizes its windows and a grid column and exits, the next run
// finds them there. A remembered place off every screen, or partly off,
// still opens fully on a screen; a window opened the first time stands over
// the main window.
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTemporaryDir>

#include "gui_test_support.h"
#include "shell/qt_window_places.h"
#include "shell/window_places.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;

namespace {

QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

bool fullyOnScreen(const QWidget& window) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(window.geometry())) return true;
    return false;
}

}  // namespace

class WindowPlacesTest : public QObject {
    Q_OBJECT

public:
    // Two screens side by side, each large enough for the main window (the
    // offscreen platform's own screen is smaller than it).
    static void initMain() {
        static QTemporaryDir dir;
        const QString config = dir.filePath("screens.json");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(config));
        file.write(R"({"windowFrameMargins": false, "screens": [
            {"name": "left", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "dpr": 1},
            {"name": "right", "x": 1600, "y": 100, "width": 1280, "height": 1024, "logicalDpi": 96, "dpr": 1}]})");
        file.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    }

    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() { quietOffscreenWarnings(); }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void placesSizesAndColumnWidthsComeBackInTheNextRun() {
        const QRect area = screenArea();
        const QRect mainPlace(area.x() + 30, area.y() + 40, 1150, 720);
        // On the second screen.
        const QRect digestPlace(1700, 200, 500, 400);
        {
            ProgramRun run(root());
            run.start();
            cmdanalyse& main = run.windows.mainWindow();
            QVERIFY(QTest::qWaitForWindowExposed(&main));
            QVERIFY(fullyOnScreen(main));
            main.setGeometry(mainPlace);
            // Opened the first time: over the main window.
            run.windows.showDigest();
            FormDigest& digest = run.windows.digest();
            QVERIFY(QTest::qWaitForWindowExposed(&digest));
            QVERIFY(fullyOnScreen(digest));
            QVERIFY(digest.geometry().contains(main.geometry().center()) ||
                    main.geometry().contains(digest.geometry().center()));
            digest.setGeometry(digestPlace);
            digest.hide();  // a hidden window keeps the place it had
            QCOMPARE(QGuiApplication::screens().size(), 2);
            main.tournamentGrid().horizontalHeader()->resizeSection(2, 77);  // as a drag does
            QVERIFY(run.exit());
        }
        const std::string saved = readBytes(root() + "/windows.txt");
        QVERIFY2(saved.find("MSFlexSort.columns=0,0,77\r\n") != std::string::npos, saved.c_str());
        // The settings file keeps its six lines.
        const std::string settings = readBytes(root() + "/default.txt");
        QCOMPARE(std::count(settings.begin(), settings.end(), '\n'), 6);

        ProgramRun run(root());
        run.start();
        cmdanalyse& main = run.windows.mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(main.geometry(), mainPlace);
        run.windows.showDigest();
        QCOMPARE(run.windows.digest().geometry(), digestPlace);
        // The column keeps its width when an analysis fills the grid.
        Grid& g = run.session.ui.MSFlexSort;
        g.setCols(11);
        g.setRows(1);
        for (int c = 0; c < 11; ++c) g.setColWidth(c, c < 9 ? 900 : 1);
        run.session.ui.setVisible("MSFlexSort", true);
        run.windows.refreshViews();
        QCOMPARE(main.tournamentGrid().columnWidth(2), 77);
    }

    void aPlaceOffEveryScreenOpensFullyOnOne() {
        const QRect area = screenArea();
        writeBytes(root() + "/windows.txt",
                   "cmdanalyse=-50000,-50000,600,400\r\n"
                   "FormDigest=" +
                       std::to_string(area.right() - 100) + "," + std::to_string(area.bottom() - 100) +
                       ",500,300\r\n"
                       "FormIndividual=0,0," +
                       std::to_string(area.width() * 3) + "," + std::to_string(area.height() * 3) + "\r\n");
        ProgramRun run(root());
        run.start();
        QVERIFY(QTest::qWaitForWindowExposed(&run.windows.mainWindow()));
        QVERIFY(fullyOnScreen(run.windows.mainWindow()));
        run.windows.showDigest();
        run.windows.showIndividual();
        for (QWidget* window :
             {static_cast<QWidget*>(&run.windows.digest()), static_cast<QWidget*>(&run.windows.individual())}) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY2(fullyOnScreen(*window), qPrintable(window->objectName()));
        }
        // Partly off: moved in, its size kept.
        QCOMPARE(run.windows.digest().size(), QSize(500, 300));
    }

    void fitOnScreensMovesShrinksOrGivesUp_data() {
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("expected");  // null: on no screen
        // Two screens side by side, the second one smaller and lower.
        QTest::newRow("inside") << QRect(10, 10, 300, 200) << QRect(10, 10, 300, 200);
        QTest::newRow("over the right edge") << QRect(1800, 10, 300, 200) << QRect(1620, 10, 300, 200);
        QTest::newRow("mostly on the second") << QRect(1900, 500, 400, 300) << QRect(1920, 500, 400, 300);
        QTest::newRow("too large") << QRect(-20, -20, 3000, 3000) << QRect(0, 0, 1920, 1080);
        QTest::newRow("left of both") << QRect(-900, 10, 300, 200) << QRect();
        QTest::newRow("below the second") << QRect(2000, 1200, 300, 200) << QRect();
    }
    void fitOnScreensMovesShrinksOrGivesUp() {
        QFETCH(QRect, wanted);
        QFETCH(QRect, expected);
        const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 200, 1280, 900)};
        const auto fitted = fitOnScreens(wanted, screens);
        if (expected.isNull()) {
            QVERIFY(!fitted);
        } else {
            QVERIFY(fitted);
            QCOMPARE(*fitted, expected);
        }
    }
};

QTEST_MAIN(WindowPlacesTest)
#include "window_places_test.moc"

// The windows against a store prepared by the test, without the rating
// service: start-up, the ID box, the shell's commands, the sort buttons, the
// secondary windows, and message boxes from a worker.
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <thread>

#include "gui_test_support.h"
#include "platform/qt_message_box.h"
#include "session/sort_name.h"
#include "shell/commands.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

const std::string kAdams = "12345678 -- BOB ADAMS";
// Byte 0xC9 is a capital E with an acute accent in the store's code page.
const std::string kDubois = "23456789 -- REN\xC9 DUBOIS";

// Fills a grid with rows of texts and the columns of the given widths, the
// sort key of the name in column 1 going into keyColumn.
void fillGrid(Grid& g, const std::vector<std::vector<std::string>>& rows, const std::vector<int>& widths,
              int keyColumn) {
    g.setCols(static_cast<int>(widths.size()));
    g.setRows(static_cast<int>(rows.size()));
    for (int c = 0; c < g.cols(); ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < g.rows(); ++r) {
        for (int c = 0; c < g.cols(); ++c) g.setText(r, c, rows[r][c]);
        g.setText(r, keyColumn, makeSortName(rows[r][1]));
    }
}

// Three games as the game list leaves the grid, and the controls it shows.
void fillTournamentGrid(ProgramRun& run) {
    fillGrid(run.session.ui.MSFlexSort,
             {{"12000001", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "WINTER OPEN ", "",
               "201902100017.0-12345678.txt"},
              {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "AUTUMN SWISS ", "",
               "201311160008.0-12345678.txt"},
              {"12000003", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "SPRING QUADS ", "",
               "202303180024.0-12345678.txt2"}},
             {1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1}, 9);
    for (const char* name : {"cmdsortbyalpha", "cmdsortbydate", "MSFlexSort", "cmdsel", "cmdopp"})
        run.session.ui.setVisible(name, true);
    run.windows.refreshViews();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() { quietOffscreenWarnings(); }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void firstStartWelcomesAndAnalyseOnlyRefusesATypedId() {
        ProgramRun run(root());
        run.start();
        QCOMPARE(run.boxes.shown.size(), std::size_t(1));
        QCOMPARE(run.boxes.shown[0].title, std::string("Welcome to the KRV Individual Data Program"));
        for (const char* hidden : {"MSFlexSort", "cmdsel", "CmdPrintTournamentView"})
            QVERIFY2(run.find(hidden)->isHidden(), hidden);
        QVERIFY(run.find("CmdUpdateData")->isVisible());

        run.typeId("12345678");
        QVERIFY(run.clickAndWait("cmdAnalyseOnly"));
        QCOMPARE(run.boxes.shown.back().title, std::string("Note"));

        // Closing the window is Exit: refused until Exit's writes are done.
        QSignalSpy exited(&run.windows, &AppWindows::exited);
        QVERIFY(!run.windows.mainWindow().close());
        QVERIFY(exited.wait(60000));
        QCOMPARE(exited.count(), 1);
        QVERIFY(fs::exists(root() + "/default.txt"));
        QVERIFY(run.windows.mainWindow().close());  // closing once more only closes
    }

    void theIdBoxKeepsTheStoredBytesAndDeleteDataAsksFirst() {
        writeBytes(root() + "/config.txt", kAdams + "\r\n" + kDubois + "\r\n");
        writeBytes(root() + "/Data/12345678/e.txt", "x");
        writeBytes(root() + "/Results/12345678/r.txt", "x");
        ProgramRun run(root());
        run.start();
        QCOMPARE(run.find<QComboBox>("CmbID")->itemText(1), QString::fromUtf8("23456789 -- REN\u00c9 DUBOIS"));
        // Picking an entry takes its bytes as they are and runs no change reaction.
        run.session.state.freshDownload = true;
        run.pickId(1);
        QCOMPARE(run.session.ui.CmbID, kDubois);
        QVERIFY(run.session.state.freshDownload);
        // Typing runs the change reaction and stores the text in the code page.
        run.typeId("3456789 \u00c9");
        QCOMPARE(run.session.ui.CmbID, std::string("3456789 \xC9"));
        QVERIFY(!run.session.state.freshDownload);

        fillTournamentGrid(run);
        run.pickId(0);
        for (bool yes : {false, true}) {
            run.boxes.answers = {yes};
            QVERIFY(run.clickAndWait("cmdDelete"));
            QCOMPARE(run.boxes.shown.back().title, std::string("Data Deletion Doublecheck"));
            for (const char* folder : {"/Data/12345678", "/Results/12345678"})
                QCOMPARE(fs::exists(root() + folder), !yes);
            QCOMPARE(readBytes(root() + "/config.txt"), (yes ? "" : kAdams + "\r\n") + kDubois + "\r\n");
            QCOMPARE(run.find<QComboBox>("CmbID")->count(), yes ? 1 : 2);
            QCOMPARE(run.find("MSFlexSort")->isHidden(), yes);
        }
    }

    void sortButtonsReorderTheGridAndExitSavesTheLastOnce() {
        writeBytes(root() + "/config.txt", kDubois + "\r\n" + kAdams + "\r\n");
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run);
        run.windows.showDigest();
        auto& view = run.windows.mainWindow().tournamentGrid();
        QVERIFY(view.isColumnHidden(9) && view.isColumnHidden(10) && !view.isColumnHidden(8));
        run.button("cmdsel")->click();
        QCOMPARE(shownColumn(view, 3), (QStringList{"1620", "1500", "UnR"}));
        run.button("cmdopp")->click();
        QCOMPARE(shownColumn(view, 4), (QStringList{"980", "1420", "1800"}));
        run.button("cmdsortbyalpha")->click();  // by surname, first press descending
        QCOMPARE(shownColumn(view, 1), (QStringList{"ANNA ZIMMER", "JOHN SMITH", "BOB ADAMS"}));
        run.button("cmdsortbydate")->click();

        QSignalSpy exited(&run.windows, &AppWindows::exited);
        QVERIFY(run.exit());
        QCOMPARE(exited.count(), 1);
        QCOMPARE(readBytes(root() + "/default.txt"), std::string("\r\n100\r\n 7 \r\n 4 \r\n 0 \r\n 5 \r\n"));
        QCOMPARE(readBytes(root() + "/config.txt"), kAdams + "\r\n" + kDubois + "\r\n");  // surname order
        QVERIFY(!run.windows.mainWindow().isVisible() && !run.windows.digest().isVisible());
        writeBytes(root() + "/default.txt", "untouched");
        run.windows.mainWindow().close();  // closing the hidden window again saves nothing more
        QCOMPARE(exited.count(), 1);
        QCOMPARE(readBytes(root() + "/default.txt"), std::string("untouched"));
    }

    // A long grid's columns fit their longest cells wherever those stand,
    // also far below the rows the view shows, and keep their widths
    // through every sort.
    void columnsFitTheLongestCellsOfEveryRowAndStayThroughSorts() {
        ProgramRun run(root());
        run.start();
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < 3000; ++r)
            rows.push_back({std::to_string(12000000 + r), "PLAYER " + std::to_string(r % 100), " 1",
                            std::to_string(1500 + r % 9), "1420", "80", "1510", "20190210", "OPEN", "", "x.txt"});
        rows[2500][1] = "BARTHOLOMEW MONTGOMERY-WITHERSPOON OF KINGSTON UPON HULL";
        rows[2700][8] = "A TOURNAMENT WITH A NAME MUCH LONGER THAN THE OTHERS";
        rows[2900][3] = "UnR";
        fillGrid(run.session.ui.MSFlexSort, rows, {1000, 1500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1}, 9);
        for (const char* name : {"MSFlexSort", "cmdsel", "cmdopp", "cmdsortbyalpha", "cmdsortbydate", "cmdsortbyid"})
            run.session.ui.setVisible(name, true);
        run.windows.refreshViews();
        auto& view = run.windows.mainWindow().tournamentGrid();
        const auto widths = [&view] {
            QList<int> out;
            for (int c = 0; c < 8; ++c) out << view.columnWidth(c);
            return out;
        };
        QVERIFY(view.columnWidth(1) >= view.sizeHintForIndex(view.model()->index(2500, 1)).width());
        const QList<int> first = widths();
        for (const char* sort : {"cmdsortbyalpha", "cmdsel", "cmdsortbydate", "cmdopp", "cmdsortbyid", "cmdsel"}) {
            run.button(sort)->click();
            QCOMPARE(widths(), first);
        }
    }

    void theSecondaryWindowsOnlyHideAndKeepTheirState() {
        ProgramRun run(root());
        run.start();
        run.session.ui.txtResults = "This is data\r\n\r\nBest \xC9";
        run.session.ui.setVisible("txtResults", true);
        run.button("CmdShowDigestView")->click();
        FormDigest& digest = run.windows.digest();
        auto* text = digest.findChild<QPlainTextEdit*>("txtResults");
        QCOMPARE(text->toPlainText(), QString::fromUtf8("This is data\n\nBest \u00c9"));
        auto* range = digest.findChild<QLineEdit*>("txthighlowrange");
        range->selectAll();
        QTest::keyClicks(range, "150");
        QCOMPARE(run.session.ui.txthighlowrange, std::string("150"));
        QVERIFY(!digest.close() && !digest.isVisible());  // refused: only hidden
        run.button("CmdShowDigestView")->click();
        QCOMPARE(range->text(), QString("150"));
        // Refresh is Analyse Only: with nothing picked it says so and the
        // text box stays hidden until an analysis succeeds.
        QVERIFY(run.clickAndWait("cmdrefresh"));
        QCOMPARE(run.boxes.shown.back().title, std::string("Note"));
        QVERIFY(text->isHidden());

        fillGrid(run.session.ui.MSFlexResults,
                 {{"", "JOHN SMITH", "2", "0", "1", "3", "67%"},
                  {"", "ANNA ZIMMER", "1", "0", "0", "1", "100%"},
                  {"", "BOB ADAMS", "0", "1", "0", "1", "50%"}},
                 {1, 2600, 500, 500, 500, 600, 700}, 0);
        run.session.ui.setVisible("MSFlexResults", true);
        run.button("CmdShowIndividual")->click();
        FormIndividual& individual = run.windows.individual();
        QVERIFY(individual.resultsGrid().isColumnHidden(0));
        individual.findChild<QPushButton*>("cmdper")->click();
        individual.findChild<QPushButton*>("cmdper")->click();
        QVERIFY(!individual.close());
        run.button("CmdShowIndividual")->click();
        QCOMPARE(shownColumn(individual.resultsGrid(), 6), (QStringList{"50%", "67%", "100%"}));
    }

    void messageBoxesFromAWorkerAreShownOnTheGuiThread() {
        QtMessageBox boxes;
        QThread* shownOn = nullptr;
        QTimer answer;  // answers the dialog as soon as it is up
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shownOn = box->thread();
                box->button(QMessageBox::Yes)->click();
            }
        });
        answer.start(10);
        std::atomic<int> result{-1};
        std::thread worker([&] { result = boxes.yesNo("Data Deletion Doublecheck", "Proceeding?") ? 1 : 0; });
        QTRY_VERIFY_WITH_TIMEOUT(result != -1, 10000);
        worker.join();
        QCOMPARE(result.load(), 1);
        QCOMPARE(shownOn, QThread::currentThread());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

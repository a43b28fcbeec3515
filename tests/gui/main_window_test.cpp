// The windows against a store prepared by the test, without the rating
// service: start-up, the ID box, the shell's commands, the sort buttons and
// the grid click, the secondary windows, and message boxes from a worker.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <thread>

#include "gui_test_support.h"
#include "platform/qt_message_box.h"
#include "shell/commands.h"
#include "shell/sort_name.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::ProgramRun;
using krv::testing::readBytes;
using krv::testing::TempDir;
using krv::testing::writeBytes;
namespace fs = std::filesystem;

namespace {

const std::string kAdams = "12345678 -- BOB ADAMS";
// Byte 0xC9 is a capital E with an acute accent in the store's code page.
const std::string kDubois = "23456789 -- REN\xC9 DUBOIS";

// Three games as the game list leaves the grid, and the controls it shows.
void fillTournamentGrid(KrvSession& s) {
    const std::vector<std::vector<std::string>> games = {
        {"12000001", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "WINTER OPEN ",
         "201902100017.0-12345678.txt"},
        {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "AUTUMN SWISS ",
         "201311160008.0-12345678.txt"},
        {"12000003", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "SPRING QUADS ",
         "202303180024.0-12345678.txt2"},
    };
    const int widths[] = {1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1};
    Grid& g = s.ui.MSFlexSort;
    g.setCols(11);
    g.setRows(3);
    for (int c = 0; c < 11; ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 10; ++c) g.setText(r, c, c == 9 ? makeSortName(games[r][1]) : games[r][c]);
        g.setText(r, 10, games[r][9]);
    }
    for (const char* name :
         {"cmdsortbyid", "cmdsortbyalpha", "cmdsortbydate", "cmdresults", "MSFlexSort", "lblrating", "cmdsel",
          "cmdopp", "cmddif", "cmdPost", "cmdsortbytournament", "lblkrv"})
        s.ui.setVisible(name, true);
}

QStringList shownColumn(QTableView& view, int column) {
    QStringList out;
    for (int r = 0; r < view.model()->rowCount(); ++r)
        out << view.model()->index(r, column).data().toString();
    return out;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() { krv::testing::quietOffscreenWarnings(); }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void firstStartWelcomesAndShowsOnlyTheCommands() {
        ProgramRun run(root());
        run.start();
        QCOMPARE(run.boxes.shown.size(), std::size_t(1));
        QCOMPARE(run.boxes.shown[0].title, std::string("Welcome to the KRV Individual Data Program"));
        QCOMPARE(run.windows.mainWindow().windowTitle(), QString("KRV Data  Version 1.7b"));
        for (const char* hidden :
             {"MSFlexSort", "cmdsel", "cmdsortbyalpha", "CmdPrintTournamentView", "lblkrv", "lblrating"})
            QVERIFY2(run.find(hidden)->isHidden(), hidden);
        for (const char* shown : {"CmbID", "CmdUpdateData", "cmdAnalyseOnly", "cmdExit", "lblprocessed"})
            QVERIFY2(run.find(shown)->isVisible(), shown);
        QCOMPARE(run.find<QLabel>("lblprocessed")->text(), QString(kStartCaption));
        QCOMPARE(run.button("CmdUpdateData")->text(), QString("Update Individual's Data"));
        QCOMPARE(
            run.button("CmdPrintTournamentView")->toolTip(),
            QString("Print the Tournament View as it is currently sorted  with the selected users name as a "
                    "header."));
        QCOMPARE(run.button("cmdsel")->toolTip(), QString("Selected User's Rating"));
    }

    void theIdBoxKeepsTheStoredBytes() {
        writeBytes(root() + "/config.txt", kAdams + "\r\n" + kDubois + "\r\n");
        ProgramRun run(root());
        run.start();
        auto* box = run.find<QComboBox>("CmbID");
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(1), QString::fromUtf8("23456789 -- REN\u00c9 DUBOIS"));

        // Picking an entry takes its bytes as they are and runs no reaction.
        run.session.state.freshDownload = true;
        QSignalSpy picked(box, &QComboBox::activated);
        box->setCurrentIndex(1);
        emit box->activated(1);
        QCOMPARE(run.session.ui.CmbID, kDubois);
        QVERIFY(run.session.state.freshDownload);

        // Typing runs the change reaction and stores the text in the code page.
        box->lineEdit()->clear();
        QTest::keyClicks(box->lineEdit(), QString::fromUtf8("3456789 \u00c9"));
        QCOMPARE(run.session.ui.CmbID, std::string("3456789 \xC9"));
        QVERIFY(!run.session.state.freshDownload);
    }

    void analyseOnlyRefusesABareTypedId() {
        ProgramRun run(root());
        run.start();
        QTest::keyClicks(run.find<QComboBox>("CmbID")->lineEdit(), "12345678");
        run.button("cmdAnalyseOnly")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Note"));
        QCOMPARE(run.boxes.shown.back().text, std::string(kAnalyseOnlyNote));
    }

    void deleteDataAsksFirstAndThenRemovesEverything() {
        writeBytes(root() + "/config.txt", kAdams + "\r\n" + kDubois + "\r\n");
        writeBytes(root() + "/Data/12345678/e.txt", "x");
        writeBytes(root() + "/Results/12345678/r.txt", "x");
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        auto* box = run.find<QComboBox>("CmbID");
        box->setCurrentIndex(0);
        emit box->activated(0);
        QVERIFY(!run.find("MSFlexSort")->isHidden());

        run.boxes.answers = {false};
        run.button("cmdDelete")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Data Deletion Doublecheck"));
        QCOMPARE(run.boxes.shown.back().text,
                 std::string("Proceeding will delete all datafiles for BOB ADAMS"));
        QVERIFY(fs::exists(root() + "/Data/12345678/e.txt"));
        QCOMPARE(readBytes(root() + "/config.txt"), kAdams + "\r\n" + kDubois + "\r\n");
        QCOMPARE(box->count(), 2);
        QVERIFY(!run.find("MSFlexSort")->isHidden());

        run.boxes.answers = {true};
        run.button("cmdDelete")->click();
        QVERIFY(!fs::exists(root() + "/Data/12345678"));
        QVERIFY(!fs::exists(root() + "/Results/12345678"));
        QCOMPARE(readBytes(root() + "/config.txt"), kDubois + "\r\n");
        QCOMPARE(box->count(), 1);
        QVERIFY(run.find("MSFlexSort")->isHidden());
        QVERIFY(run.find("cmdsel")->isHidden());
    }

    void sortButtonsReorderTheShownGrid() {
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        auto& view = run.windows.mainWindow().tournamentGrid();
        QVERIFY(!view.isHidden());
        QCOMPARE(view.model()->headerData(3, Qt::Horizontal).toString(), QString("SEL"));
        QCOMPARE(view.model()->headerData(8, Qt::Horizontal).toString(), QString("Tournament"));
        QVERIFY(view.isColumnHidden(9));
        QVERIFY(view.isColumnHidden(10));
        QVERIFY(!view.isColumnHidden(8));

        run.button("cmdsel")->click();
        QCOMPARE(shownColumn(view, 3), (QStringList{"1620", "1500", "UnR"}));
        run.button("cmdopp")->click();
        QCOMPARE(shownColumn(view, 4), (QStringList{"980", "1420", "1800"}));
        QCOMPARE(run.session.state.lastSortCode, 3);
        run.button("cmdsortbyalpha")->click();  // by surname, first press descending
        QCOMPARE(shownColumn(view, 1), (QStringList{"ANNA ZIMMER", "JOHN SMITH", "BOB ADAMS"}));
    }

    void aClickOnAnEventAsksForItsCrosstable() {
        ProgramRun run(root(), "http://127.0.0.1:9000");
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        auto& view = run.windows.mainWindow().tournamentGrid();
        QVERIFY(QTest::qWaitForWindowExposed(&run.windows.mainWindow()));
        QSignalSpy asked(&run.windows.mainWindow(), &cmdanalyse::crosstableRequested);

        auto clickCell = [&](int row, int column) {
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                              view.visualRect(view.model()->index(row, column)).center());
        };
        clickCell(1, 1);
        clickCell(1, 7);
        QCOMPARE(asked.count(), 0);
        clickCell(2, 8);
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked[0][0].toString(),
                 QString("http://127.0.0.1:9000/krv/XtblMain.php?202303180024.0-12345678"));
    }

    void exitSavesOnceAndClosesEveryWindow() {
        writeBytes(root() + "/config.txt", kDubois + "\r\n" + kAdams + "\r\n");
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run.session);
        run.windows.refreshViews();
        run.windows.showDigest();
        run.button("cmdsortbydate")->click();
        QSignalSpy exited(&run.windows, &AppWindows::exited);

        run.button("cmdExit")->click();
        QCOMPARE(exited.count(), 1);
        QCOMPARE(readBytes(root() + "/default.txt"), std::string("\r\n100\r\n 7 \r\n 4 \r\n 0 \r\n 5 \r\n"));
        QCOMPARE(readBytes(root() + "/config.txt"), kAdams + "\r\n" + kDubois + "\r\n");
        QVERIFY(!run.windows.mainWindow().isVisible());
        QVERIFY(!run.windows.digest().isVisible());

        // Closing the (already hidden) main window again saves nothing more.
        writeBytes(root() + "/default.txt", "untouched");
        run.windows.mainWindow().close();
        QCOMPARE(exited.count(), 1);
        QCOMPARE(readBytes(root() + "/default.txt"), std::string("untouched"));
    }

    void closingTheMainWindowRunsExit() {
        ProgramRun run(root());
        run.start();
        QSignalSpy exited(&run.windows, &AppWindows::exited);
        QVERIFY(run.windows.mainWindow().close());
        QCOMPARE(exited.count(), 1);
        QVERIFY(fs::exists(root() + "/default.txt"));
    }

    void theDigestWindowOnlyHidesAndFeedsTheRange() {
        ProgramRun run(root());
        run.start();
        QVERIFY(!run.windows.existingDigest());  // created on first use
        run.session.ui.txtResults = "This is data from 01-01-1991 to 01-02-2024\r\n\r\nBest \xC9";
        run.session.ui.setVisible("txtResults", true);
        run.button("CmdShowDigestView")->click();
        FormDigest& digest = run.windows.digest();
        QVERIFY(digest.isVisible());
        QCOMPARE(digest.windowTitle(), QString("KRV Digest View"));
        auto* text = digest.findChild<QPlainTextEdit*>("txtResults");
        QCOMPARE(text->toPlainText(),
                 QString::fromUtf8("This is data from 01-01-1991 to 01-02-2024\n\nBest \u00c9"));
        QVERIFY(text->isReadOnly());

        auto* range = digest.findChild<QLineEdit*>("txthighlowrange");
        QCOMPARE(range->text(), QString("100"));
        range->selectAll();
        QTest::keyClicks(range, "150");
        QCOMPARE(run.session.ui.txthighlowrange, std::string("150"));

        QVERIFY(!digest.close());  // refused: only hidden
        QVERIFY(!digest.isVisible());
        run.button("CmdShowDigestView")->click();
        QCOMPARE(&run.windows.digest(), &digest);
        QCOMPARE(text->toPlainText().left(17), QString("This is data from"));
        QCOMPARE(range->text(), QString("150"));

        // Refresh is Analyse Only: with nothing picked it says so and the
        // text box stays hidden until an analysis succeeds.
        digest.findChild<QPushButton*>("cmdrefresh")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Note"));
        QVERIFY(text->isHidden());
    }

    void theIndividualWindowSortsAndKeepsItsOrder() {
        ProgramRun run(root());
        run.start();
        Grid& g = run.session.ui.MSFlexResults;
        g.setCols(7);
        g.setRows(3);
        const int widths[] = {1, 2600, 500, 500, 500, 600, 700};
        for (int c = 0; c < 7; ++c) g.setColWidth(c, widths[c]);
        const std::vector<std::vector<std::string>> rows = {{"JOHN SMITH", "2", "0", "1", "3", "67%"},
                                                            {"ANNA ZIMMER", "1", "0", "0", "1", "100%"},
                                                            {"BOB ADAMS", "0", "1", "0", "1", "50%"}};
        for (int r = 0; r < 3; ++r) {
            g.setText(r, 0, makeSortName(rows[r][0]));
            for (int c = 0; c < 6; ++c) g.setText(r, c + 1, rows[r][c]);
        }
        run.session.ui.setVisible("MSFlexResults", true);
        run.button("CmdShowIndividual")->click();
        FormIndividual& window = run.windows.individual();
        QCOMPARE(window.windowTitle(), QString("KRV Individual Results View"));
        auto& view = window.resultsGrid();
        QVERIFY(view.isColumnHidden(0));
        QCOMPARE(view.model()->headerData(6, Qt::Horizontal).toString(), QString("%"));

        window.findChild<QPushButton*>("cmdper")->click();
        window.findChild<QPushButton*>("cmdper")->click();
        QCOMPARE(shownColumn(view, 6), (QStringList{"50%", "67%", "100%"}));
        QVERIFY(!window.close());
        run.button("CmdShowIndividual")->click();
        QCOMPARE(shownColumn(view, 6), (QStringList{"50%", "67%", "100%"}));
        QCOMPARE(run.session.state.individualLastSortCode, 3);
    }

    void messageBoxesFromAWorkerAreShownOnTheGuiThread() {
        QtMessageBox boxes;
        QThread* shownOn = nullptr;
        // Answers the dialog as soon as it is up.
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shownOn = box->thread();
                box->button(QMessageBox::Yes)->click();
            }
        });
        answer.start();
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

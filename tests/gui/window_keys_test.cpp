// The keyboard as a player uses it, sent to the real windows the way the
// window system delivers it (to the focused control of the active window):
// Enter in the ID box, Return and Space on buttons, the program's shortcuts,
// Escape, the Tab order past the grid, Enter on a tournament, Ctrl+C; and
// what the windows say before there is anything to show.
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "charts/chart_view.h"
#include "gui_test_support.h"
#include "platform/qt_focus_style.h"
#include "platform/qt_message_box.h"
#include "platform/store_error.h"
#include "session/sort_name.h"
#include "shell/commands.h"
#include "shell/store_command.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

const std::string kAdams = "12345678 -- BOB ADAMS";
const std::string kDubois = "23456789 -- REN\xC9 DUBOIS";

// Three games, as the game list leaves the grid (sort key in column 9, the
// crosstable file in column 10, both hidden).
void fillTournamentGrid(ProgramRun& run) {
    Grid& g = run.session.ui.MSFlexSort;
    const std::vector<std::vector<std::string>> rows = {
        {"12000001", "JOHN SMITH", " 1", "1500", "1420", "80", "1510", "20190210", "WINTER OPEN ", "",
         "201902100017.0-12345678.txt"},
        {"12000002", "ANNA ZIMMER", " 0", "UnR", "1800", "-1800", "1380", "20131116", "AUTUMN SWISS ", "",
         "201311160008.0-12345678.txt"},
        {"12000003", "BOB ADAMS", " .5", "1620", "980", "640", "1625", "20230318", "SPRING QUADS ", "",
         "202303180024.0-12345678.txt2"}};
    const std::vector<int> widths = {1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1};
    g.setCols(11);
    g.setRows(3);
    for (int c = 0; c < 11; ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 11; ++c) g.setText(r, c, rows[r][c]);
        g.setText(r, 9, makeSortName(rows[r][1]));
    }
    for (const auto& b : kTournamentSortButtons) run.session.ui.setVisible(b.name, true);
    for (const char* name : {"MSFlexSort", "CmdPrintTournamentView", "lblkrv"}) run.session.ui.setVisible(name, true);
    run.windows.refreshViews();
}

// Shows the window and makes it the one that takes the keys.
bool activate(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

// A key as the window system sends it: to the control with the focus.
void press(QWidget& window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == &window ? focus : &window, Qt::Key(key), modifiers);
}

}  // namespace

class WindowKeysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() { quietOffscreenWarnings(); }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void enterInTheIdBoxRunsTheUpdateAndReturnOrSpacePressAButton() {
        ProgramRun run(root());
        run.start();
        QVERIFY(activate(run.windows.mainWindow()));
        run.typeId("1234");
        auto* box = run.find<QComboBox>("CmbID");
        QCOMPARE(QApplication::focusWidget(), box);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        press(run.windows.mainWindow(), Qt::Key_Return);
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QCOMPARE(run.boxes.shown.back().title, std::string("Need USCF ID Number"));

        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            run.boxes.shown.clear();
            run.button("cmdhelp")->setFocus();
            press(run.windows.mainWindow(), key);
            QCOMPARE(run.boxes.shown.size(), std::size_t(1));
            QCOMPARE(run.boxes.shown[0].title, std::string("Help"));
        }
    }

    void theIdBoxSuggestsEntriesAndChoosingOneIsAPick() {
        writeBytes(root() + "/config.txt", kAdams + "\r\n" + kDubois + "\r\n");
        ProgramRun run(root());
        run.start();
        QVERIFY(activate(run.windows.mainWindow()));
        auto* box = run.find<QComboBox>("CmbID");
        QCompleter* completer = box->completer();
        QVERIFY(completer);
        run.session.state.freshDownload = true;
        run.typeId("dub");
        // Only the matching entry is offered, and nothing is inserted yet.
        QTRY_VERIFY(completer->popup()->isVisible());
        QCOMPARE(completer->completionCount(), 1);
        QCOMPARE(box->currentText(), QString("dub"));
        QCOMPARE(run.session.ui.CmbID, std::string("dub"));
        QTest::keyClick(completer->popup(), Qt::Key_Down);
        QTest::qWait(50);
        QCOMPARE(box->currentText(), QString("dub"));
        // Choosing it is picking it: its stored bytes, no change reaction,
        // and no update run.
        run.session.state.freshDownload = true;
        QTest::keyClick(completer->popup(), Qt::Key_Return);
        QCOMPARE(run.session.ui.CmbID, kDubois);
        QTRY_COMPARE(box->currentText(), QString::fromUtf8("23456789 -- REN\u00c9 DUBOIS"));
        QVERIFY(run.session.state.freshDownload);
        QVERIFY(!run.windows.isBusy());
        QCOMPARE(run.boxes.shown.size(), std::size_t(0));
    }

    void shortcutsWorkInEveryWindowAndEscapeCloses() {
        ProgramRun run(root());
        run.start();
        cmdanalyse& main = run.windows.mainWindow();
        QVERIFY(activate(main));
        // Ctrl+P before an analysis: the print button is hidden, nothing happens.
        run.boxes.shown.clear();
        press(main, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(run.boxes.shown.empty());

        run.windows.showDigest();
        run.windows.showIndividual();
        for (QWidget* window :
             {static_cast<QWidget*>(&run.windows.digest()), static_cast<QWidget*>(&run.windows.individual())}) {
            for (int key : {int(Qt::Key_Escape), int(Qt::Key_W)}) {
                QVERIFY(activate(*window));
                run.boxes.shown.clear();
                press(*window, Qt::Key_F1);  // Help from any window
                QCOMPARE(run.boxes.shown.size(), std::size_t(1));
                QCOMPARE(run.boxes.shown[0].title, std::string("Help"));
                // Ctrl+P is the window's Print: with no member in the ID box
                // (and no printer here) it says so.
                press(*window, Qt::Key_P, Qt::ControlModifier);
                QCOMPARE(run.boxes.shown.back().title, std::string("Print"));
                press(*window, key, key == Qt::Key_W ? Qt::ControlModifier : Qt::NoModifier);
                QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
            }
        }
        // Ctrl+Q is Exit, whichever window is active.
        run.windows.showDigest();
        QVERIFY(activate(run.windows.digest()));
        QSignalSpy exited(&run.windows, &AppWindows::exited);
        press(run.windows.digest(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(exited.count() == 1 || exited.wait(30000));
        QVERIFY(fs::exists(root() + "/default.txt"));
    }

    void tabPassesTheGridInOneStepAndItsKeysOpenAndCopy() {
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run);
        cmdanalyse& main = run.windows.mainWindow();
        QVERIFY(activate(main));
        run.find("CmbID")->setFocus();
        QStringList order;
        for (int i = 0; i < 40; ++i) {
            press(main, Qt::Key_Tab);
            const QString name = QApplication::focusWidget()->objectName();
            if (name == "CmbID") break;
            order << name;
        }
        QCOMPARE(order.count("MSFlexSort"), 1);
        QCOMPARE(order.mid(order.indexOf("MSFlexSort")), (QStringList{"MSFlexSort", "cmdhelp", "cmdExit"}));
        QCOMPARE(order.first(), QString("CmdUpdateData"));

        // Enter or Space on a tournament opens its crosstable; elsewhere nothing.
        QTableView& grid = main.tournamentGrid();
        grid.setFocus();
        QSignalSpy opened(&main, &cmdanalyse::crosstableRequested);
        grid.setCurrentIndex(grid.model()->index(2, 8));
        press(main, Qt::Key_Return);
        grid.setCurrentIndex(grid.model()->index(0, 8));
        press(main, Qt::Key_Space);
        grid.setCurrentIndex(grid.model()->index(0, 3));
        press(main, Qt::Key_Enter);
        QCOMPARE(opened.count(), 2);
        QVERIFY(opened[0][0].toString().endsWith("/krv/XtblMain.php?202303180024.0-12345678"));
        QVERIFY(opened[1][0].toString().endsWith("/krv/XtblMain.php?201902100017.0-12345678"));
        // Down moves inside the grid; Tab leaves it.
        press(main, Qt::Key_Down);
        QCOMPARE(grid.currentIndex().row(), 1);
        QCOMPARE(QApplication::focusWidget(), &grid);

        // Ctrl+C: the selected rows in shown order, under the titles, without
        // the hidden key columns.
        grid.clearSelection();
        grid.selectionModel()->select(grid.model()->index(2, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        grid.selectionModel()->select(grid.model()->index(0, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QGuiApplication::clipboard()->clear();
        press(main, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString("Opponent ID\tName\tResult\tSEL\tOPP\tDIF\tPOST\tDate\tTournament\n"
                         "12000001\tJOHN SMITH\t1\t1500\t1420\t80\t1510\t20190210\tWINTER OPEN\n"
                         "12000003\tBOB ADAMS\t.5\t1620\t980\t640\t1625\t20230318\tSPRING QUADS\n"));
    }

    void beforeAnyAnalysisTheWindowsSayWhatToDo() {
        ProgramRun run(root());
        run.start();
        cmdanalyse& main = run.windows.mainWindow();
        QVERIFY(main.tournamentGrid().isHidden());
        QVERIFY(!main.emptyHint().isHidden());
        QVERIFY(main.emptyHint().text().startsWith("Type a member's 8-digit USCF ID"));
        run.windows.showDigest();
        run.windows.showIndividual();
        for (QLabel* hint : {&run.windows.digest().emptyHint(), &run.windows.individual().emptyHint()}) {
            QVERIFY(hint->isVisible());
            QVERIFY2(hint->text().startsWith("No results yet."), qPrintable(hint->text()));
        }
        // An analysis's results take their place.
        fillTournamentGrid(run);
        run.session.ui.txtResults = "Current Rating 1500";
        run.session.ui.setVisible("txtResults", true);
        run.session.ui.MSFlexResults.setCols(7);
        run.session.ui.MSFlexResults.setRows(1);
        run.session.ui.setVisible("MSFlexResults", true);
        run.windows.refreshViews();
        QVERIFY(main.emptyHint().isHidden() && !main.tournamentGrid().isHidden());
        QVERIFY(!run.windows.digest().emptyHint().isVisible());
        QVERIFY(!run.windows.individual().emptyHint().isVisible());
        QVERIFY(run.windows.individual().resultsGrid().isVisible());
    }

    // Last: the style stays the application's for the rest of the run.
    void theFocusedButtonHasAClearRing() {
        useFocusRingStyle();
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        auto* focused = new QPushButton("Help");
        auto* other = new QPushButton("Exit");
        layout->addWidget(focused);
        layout->addWidget(other);
        QVERIFY(activate(window));
        focused->setFocus();
        QTRY_VERIFY(focused->hasFocus());
        const QColor ring = focused->palette().color(QPalette::Highlight);
        auto ringPixels = [&](QWidget* button) {
            const QImage image = button->grab().toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += std::abs(c.red() - ring.red()) + std::abs(c.green() - ring.green()) +
                                 std::abs(c.blue() - ring.blue()) <
                             40;
                }
            return count;
        };
        // At least the length of its sides in full ring colour.
        QVERIFY2(ringPixels(focused) > focused->width() + focused->height(),
                 qPrintable(QString::number(ringPixels(focused))));
        QVERIFY(ringPixels(other) < other->width() / 4);
    }

    void failuresShowAWarningOrCriticalIcon_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        const std::vector<std::pair<std::string, QMessageBox::Icon>> cases = {
            {kStoreErrorTitle, QMessageBox::Critical},
            {kStoreInUseTitle, QMessageBox::Warning},
            {kMainCaption, QMessageBox::Warning},  // a command that failed
            {kChartCaption, QMessageBox::Warning},
            {"Download Failed", QMessageBox::Warning},
            {"Incorrect USCF ID Number", QMessageBox::Warning},
            {"Need USCF ID Number", QMessageBox::Warning},
            {"Print", QMessageBox::Warning},
            {"Help", QMessageBox::Information},
            {"Welcome to the KRV Individual Data Program", QMessageBox::Information},
            {"Note", QMessageBox::Information},
            {"Printed to PDF", QMessageBox::Information},
            {kCopyTitle, QMessageBox::NoIcon},
        };
        for (const auto& [title, icon] : cases)
            QTest::newRow(title.c_str()) << QString::fromStdString(title) << int(icon);
    }
    void failuresShowAWarningOrCriticalIcon() {
        QFETCH(QString, title);
        QFETCH(int, icon);
        QCOMPARE(int(messageIconFor(title.toStdString())), icon);
    }
};

QTEST_MAIN(WindowKeysTest)
#include "window_keys_test.moc"

// Printing a long tournament view from the main window: the pages go on
// paper (a PDF here, as there is no printer) while the windows keep
// answering; what would change the printout waits, as during an update;
// Cancel and Exit stop the printout and leave no PDF behind, nor change the
// one printed before.
#include <QLabel>
#include <filesystem>

#include "gui_test_support.h"
#include "session/sort_name.h"
#include "support/temp_store.h"
#include "tournament/sort_commands.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

const std::string kMember = "12345678 -- SMITH, JOHN";

// 6,000 games: 151 pages of the tournament view.
void fillTournamentGrid(ProgramRun& run) {
    run.session.pickIdBoxEntry(kMember);
    Grid& g = run.session.ui.MSFlexSort;
    g.setCols(11);
    g.setRows(6000);
    const std::vector<int> widths = {1000, 3500, 300, 600, 600, 600, 600, 1000, 4500, 1, 1};
    for (int c = 0; c < 11; ++c) g.setColWidth(c, widths[c]);
    for (int r = 0; r < g.rows(); ++r) {
        const std::string name = "PLAYER " + std::to_string(r % 700);
        const std::vector<std::string> cells = {std::to_string(12000000 + r),
                                                name,
                                                r % 3 ? " 1" : " .5",
                                                std::to_string(1400 + r % 500),
                                                std::to_string(1300 + r % 700),
                                                "100",
                                                "1510",
                                                std::to_string(20000101 + r % 28),
                                                "CITY OPEN " + std::to_string(r % 90),
                                                makeSortName(name),
                                                "200001010001.0-12345678.txt"};
        for (int c = 0; c < 11; ++c) g.setText(r, c, cells[c]);
    }
    for (const auto& b : kTournamentSortButtons) run.session.ui.setVisible(b.name, true);
    for (const char* name : {"MSFlexSort", "CmdPrintTournamentView", "lblkrv"}) run.session.ui.setVisible(name, true);
    run.windows.refreshViews();
}

}  // namespace

class PrintingWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }
    std::string pdf() const { return root() + "/Results/12345678/tournament-view.pdf"; }

private slots:
    void initTestCase() { quietOffscreenWarnings(); }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void aLongPrintoutKeepsTheWindowsAnsweringAndWaitsLikeARun() {
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run);
        run.boxes.shown.clear();
        const QStringList before = shownColumn(run.windows.mainWindow().tournamentGrid(), 0);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdPrintTournamentView")->click();
        QVERIFY(run.windows.isBusy() && run.windows.printJob());
        for (const char* waits : {"CmbID", "MSFlexSort", "CmdUpdateData", "cmdAnalyseOnly", "Cmdupdateall", "cmdDelete",
                                  "cmdsel", "cmdsortbyalpha", "CmdPrintTournamentView"})
            QVERIFY2(!run.find(waits)->isEnabled(), waits);
        for (const char* works : {"cmdCancel", "cmdhelp", "cmdExit", "CmdShowDigestView", "CmdShowIndividual"})
            QVERIFY2(run.find(works)->isEnabled(), works);
        // The windows answer while the pages go on paper; a window opened
        // now waits as well.
        run.button("cmdhelp")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Help"));
        run.button("CmdShowIndividual")->click();
        QVERIFY(run.windows.individual().isVisible());
        QVERIFY(!run.find("cmdprintindivualresults")->isEnabled());
        QVERIFY(run.windows.isBusy());

        QVERIFY(finished.wait(120000));
        QCOMPARE(run.boxes.shown.back().title, std::string("Printed to PDF"));
        QVERIFY(fs::file_size(pdf()) > 0);
        QVERIFY(!fs::exists(pdf() + ".partial"));
        QCOMPARE(shownColumn(run.windows.mainWindow().tournamentGrid(), 0), before);
        for (const char* works : {"CmbID", "MSFlexSort", "cmdsel", "CmdPrintTournamentView", "cmdprintindivualresults"})
            QVERIFY2(run.find(works)->isEnabled(), works);
        QVERIFY(!run.button("cmdCancel")->isEnabled());
    }

    void cancelAndExitStopAPrintoutAndLeaveThePdfPrintedBefore() {
        writeBytes(pdf(), "an older printout");
        ProgramRun run(root());
        run.start();
        fillTournamentGrid(run);
        run.boxes.shown.clear();
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdPrintTournamentView")->click();
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(pdf() + ".partial"), 30000);  // under way
        run.button("cmdCancel")->click();
        QVERIFY(finished.wait(10000));
        QVERIFY(!run.windows.isBusy() && run.button("CmdPrintTournamentView")->isEnabled());
        QVERIFY(run.boxes.shown.empty());
        QCOMPARE(readBytes(pdf()), std::string("an older printout"));
        QVERIFY(!fs::exists(pdf() + ".partial"));

        // Exit during a printout stops it and ends the program.
        run.button("CmdPrintTournamentView")->click();
        QTRY_VERIFY_WITH_TIMEOUT(fs::exists(pdf() + ".partial"), 30000);
        QVERIFY(run.exit());
        QCOMPARE(readBytes(pdf()), std::string("an older printout"));
        QVERIFY(!fs::exists(pdf() + ".partial"));
        QVERIFY(fs::exists(root() + "/default.txt"));
    }
};

QTEST_MAIN(PrintingWindowsTest)
#include "printing_windows_test.moc"

// The whole chain through the windows, against the sample rating service:
// an update fills the grid and the digest, sorts survive Exit and a restart,
// and the window keeps working while an update downloads and when it is
// cancelled.
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>

#include "gui_test_support.h"
#include "platform/text.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

// A member with three history pages and 121 events, several with two sections.
const char* const kLargeMember = "12843395";

bool noPartialFiles(const std::string& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".partial") return false;
    return true;
}

}  // namespace

class UpdateFlowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
#ifndef KRV_SAMPLE_SERVICE
        QSKIP("the sample rating service is not built");
#endif
        quietOffscreenWarnings();
    }

    void anUpdateFillsTheWindowsAndItsSortsSurviveARestart() {
        TempDir dir;
        const std::string root = dir / "KRV", results = root + "/Results/30302490/";
        SampleService service;
        QVERIFY(service.running());
        QStringList sortedOpp;
        {
            ProgramRun run(root, service.baseUrl());
            run.start();
            run.typeId("30302490");  // one history page, six events, 25 rated games
            QVERIFY(run.update());

            auto& view = run.windows.mainWindow().tournamentGrid();
            QVERIFY(!view.isHidden());
            QCOMPARE(view.model()->rowCount(), 25);
            QCOMPARE(std::size_t(25), splitLines(readBytes(results + "30302490.txt")).size());
            const QString status = run.find<QLabel>("lblprocessed")->text();
            QVERIFY2(status.startsWith("Files have been created in ") && status.contains("Digest.txt"),
                     qPrintable(status));

            run.button("CmdShowDigestView")->click();
            auto* digest = run.find<QPlainTextEdit>("txtResults");
            QVERIFY(!digest->isHidden());
            QCOMPARE(digest->toPlainText().trimmed(),
                     QString::fromLatin1(replaceAll(readBytes(results + "digest.txt"), "\r\n", "\n")).trimmed());
            QCOMPARE(run.find<QComboBox>("CmbID")->count(), 1);  // the member joined the ID list
            run.button("CmdShowIndividual")->click();

            // Without a printer every printout becomes a PDF in the member's
            // folder; each goes on paper while the windows wait.
            for (const char* print : {"CmdPrintTournamentView", "cmdprintdigest", "cmdprintindivualresults"})
                QVERIFY2(run.clickAndWait(print), print);
            for (const char* pdf : {"tournament-view.pdf", "digest.pdf", "individual-results.pdf"})
                QVERIFY2(fs::exists(results + pdf) && fs::file_size(results + pdf) > 0, pdf);

            run.button("cmdsel")->click();
            run.button("cmdopp")->click();
            sortedOpp = shownColumn(view, 4);
            run.pickId(0);  // the list entry, so that Analyse Only accepts it after the restart
            QVERIFY(run.exit());
        }
        const auto settings = splitLines(readBytes(root + "/default.txt"));
        QCOMPARE(settings.size(), std::size_t(6));
        QCOMPARE(settings[0].substr(0, 12), std::string("30302490 -- "));
        QCOMPARE(settings[2], std::string(" 4 "));
        QCOMPARE(settings[3], std::string(" 3 "));
        QCOMPARE(readBytes(root + "/config.txt"), settings[0] + "\r\n");

        ProgramRun again(root, service.baseUrl());
        again.start();
        QVERIFY(again.boxes.shown.empty());  // no welcome: the list exists
        QCOMPARE(again.find<QComboBox>("CmbID")->currentText().toStdString(), settings[0]);
        QVERIFY(again.clickAndWait("cmdAnalyseOnly"));
        QCOMPARE(shownColumn(again.windows.mainWindow().tournamentGrid(), 4), sortedOpp);
    }

    void theWindowWorksDuringAnUpdateAndCancelOrExitLeaveNoPartialEvent() {
        TempDir dir;
        const std::string root = dir / "KRV";
        SampleService slow(40);
        QVERIFY(slow.running());
        {
            ProgramRun run(root, slow.baseUrl());
            run.start();
            run.typeId(kLargeMember);
            // A timer on the GUI thread counts while the downloads go on.
            int ticks = 0;
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, [&] { ticks += run.windows.isBusy() ? 1 : 0; });
            ticker.start(20);
            QSignalSpy finished(&run.windows, &AppWindows::runFinished);
            run.button("CmdUpdateData")->click();
            QVERIFY(!run.button("cmdAnalyseOnly")->isEnabled() && !run.button("cmdsel")->isEnabled());
            QVERIFY(run.button("cmdCancel")->isEnabled());
            auto* progress = run.find<QProgressBar>("prgUpdate");
            QTRY_VERIFY_WITH_TIMEOUT(progress->maximum() > 0 && progress->value() >= 3, 60000);
            QVERIFY(run.windows.isBusy() && ticks > 0);
            run.button("cmdCancel")->click();
            QVERIFY(finished.wait(240000));
            QVERIFY(run.button("cmdAnalyseOnly")->isEnabled());
            QVERIFY(noPartialFiles(root));
            QVERIFY(!fs::is_empty(root + "/Data/" + kLargeMember));
            QVERIFY(run.find("MSFlexSort")->isHidden());  // a cancelled update analyses nothing

            // Exit during an update is refused until the run has stopped.
            QSignalSpy exited(&run.windows, &AppWindows::exited);
            run.button("CmdUpdateData")->click();
            QVERIFY(!run.windows.mainWindow().close());
            QVERIFY(exited.wait(240000));
            QVERIFY(fs::exists(root + "/default.txt"));
            QVERIFY(noPartialFiles(root));
        }
        // Whatever the stopped runs stored is whole: the next run fetches
        // the rest and finds every game.
        ProgramRun again(root, slow.baseUrl());
        again.start();
        again.typeId(kLargeMember);
        QVERIFY(again.update());
        QCOMPARE(again.windows.mainWindow().tournamentGrid().model()->rowCount(), 474);
    }
};

QTEST_MAIN(UpdateFlowTest)
#include "update_flow_test.moc"

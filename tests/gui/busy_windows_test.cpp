// The windows while a command runs on the worker, against the sample rating
// service slowed down so that the run lasts: every enabled control of the
// main, digest, individual results and chart windows is pressed and must
// work, every other control must be disabled (also in a window first opened
// during the run), and the windows show the run's results when it ends,
// however it ends. Under the thread sanitizer build (scripts/test --tsan)
// these tests also show that the windows and the worker never touch the
// same memory.
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "charts/chart_view.h"
#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "gui_test_support.h"
#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"
#include "platform/store_error.h"
#include "platform/text.h"
#include "shell/commands.h"
#include "shell/store_command.h"
#include "support/temp_store.h"

using namespace krv;
using namespace krv::testing;
namespace fs = std::filesystem;

namespace {

// Three history pages, 121 events, 474 rated games.
const char* const kLargeMember = "12843395";
// One history page, six events.
const char* const kSmallMember = "30302490";

// What a user can act on in a window: buttons, and text boxes that take
// typing. Unnamed ones (a table's corner button, the ID box's own line edit)
// belong to a named control.
QStringList enabledControls(QWidget& window) {
    QStringList names;
    for (auto* b : window.findChildren<QAbstractButton*>())
        if (b->isEnabled() && !b->objectName().isEmpty()) names << b->objectName();
    for (auto* e : window.findChildren<QLineEdit*>())
        if (e->isEnabled() && !e->isReadOnly() && !e->objectName().isEmpty()) names << e->objectName();
    names.sort();
    return names;
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

QString shownDigest(const std::string& digest) { return fromCp1252(replaceAll(digest, "\r\n", "\n")); }

// The program's "Charts" button, connected as the program's main does.
struct ChartWindowHandle {
    explicit ChartWindowHandle(ProgramRun& run) {
        QObject::connect(&run.windows.mainWindow(), &cmdanalyse::chartsRequested, &run.windows.mainWindow(),
                         [this, &run] { showFormChart(run.session, window, &run.windows.mainWindow()); });
    }
    ~ChartWindowHandle() {
        if (window) window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QPointer<FormChart> window;
};

// Presses the controls of one window in the order given, each with the
// check that it worked (none: it is pressed elsewhere). The window's enabled
// controls must be exactly these: a control enabled during a run without a
// check here fails.
using Press = std::pair<const char*, std::function<void()>>;
void pressEach(QWidget& window, const std::vector<Press>& presses) {
    QStringList expected;
    for (const auto& [name, check] : presses) expected << name;
    QCOMPARE(enabledControls(window).join(" "), sorted(expected).join(" "));
    if (QTest::currentTestFailed()) return;
    for (const auto& [name, check] : presses) {
        if (!check) continue;
        if (auto* edit = window.findChild<QLineEdit*>(name)) {
            edit->selectAll();
            QTest::keyClicks(edit, "10");
        } else {
            window.findChild<QAbstractButton*>(name)->click();
        }
        check();
        if (QTest::currentTestFailed()) qWarning("after pressing %s", name);
    }
}

}  // namespace

class BusyWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() {
#ifndef KRV_SAMPLE_SERVICE
        QSKIP("the sample rating service is not built");
#endif
        quietOffscreenWarnings();
    }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void everyEnabledControlWorksDuringAnUpdate() {
        // The member's data, downloaded at full speed.
        {
            SampleService fast;
            QVERIFY(fast.running());
            ProgramRun first(root(), fast.baseUrl());
            first.start();
            first.typeId(kLargeMember);
            QVERIFY(first.update());
            first.pickId(0);  // the list entry: Analyse Only takes it
            QVERIFY(first.exit());
        }
        // Each page now takes 2.5 s: the update below checks three history
        // pages and the member's page, some ten seconds.
        SampleService slow(2500);
        QVERIFY(slow.running());
        ProgramRun run(root(), slow.baseUrl());
        ChartWindowHandle chart(run);
        run.start();
        QVERIFY(run.clickAndWait("cmdAnalyseOnly"));
        const QString digestBefore = shownDigest(run.session.ui.txtResults);
        const int opponentsBefore = run.session.ui.MSFlexResults.rows();
        QCOMPARE(run.windows.mainWindow().tournamentGrid().model()->rowCount(), 474);
        QVERIFY(!digestBefore.isEmpty() && opponentsBefore > 0);
        QVERIFY(!run.windows.existingDigest() && !run.windows.existingIndividual());

        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdUpdateData")->click();
        QVERIFY(run.windows.isBusy());
        for (const char* disabled : {"CmbID", "MSFlexSort"}) QVERIFY2(!run.find(disabled)->isEnabled(), disabled);

        auto& boxes = run.boxes.shown;
        auto digestWindow = [&]() -> QWidget& { return run.windows.digest(); };
        auto individualWindow = [&]() -> QWidget& { return run.windows.individual(); };
        pressEach(
            run.windows.mainWindow(),
            {
                {"cmdhelp", [&] { QCOMPARE(boxes.back().title, std::string("Help")); }},
                {"CmdShowDigestView",
                 [&] {
                     // First opened now: it shows the state before the run and
                     // offers only Close.
                     QVERIFY(digestWindow().isVisible());
                     QCOMPARE(digestWindow().findChild<QPlainTextEdit*>("txtResults")->toPlainText(), digestBefore);
                     QCOMPARE(digestWindow().findChild<QLineEdit*>("txthighlowrange")->text(), QString("100"));
                     pressEach(digestWindow(), {{"cmdclose", [&] { QVERIFY(!digestWindow().isVisible()); }}});
                 }},
                {"CmdShowIndividual",
                 [&] {
                     QVERIFY(individualWindow().isVisible());
                     QCOMPARE(run.windows.individual().resultsGrid().model()->rowCount(), opponentsBefore);
                     pressEach(individualWindow(), {{"cmdclose", [&] { QVERIFY(!individualWindow().isVisible()); }}});
                 }},
                {"cmdchartit",
                 [&] {
                     QVERIFY(chart.window && chart.window->isVisible());
                     const RecordingChart& drawn = chart.window->chart().data();
                     QVERIFY(!drawn.plottedValues().empty());
                     auto titled = [&drawn](const char* start) {
                         return [&drawn, start] { QVERIFY2(drawn.title.rfind(start, 0) == 0, drawn.title.c_str()); };
                     };
                     const auto points = [&drawn] { return drawn.plottedValues().size(); };
                     const auto newestShown = [&drawn] { return drawn.rows.back().label; };
                     std::string newest;
                     pressEach(*chart.window,
                               {
                                   {"cmdShowChart", titled("Rating Overview for ")},
                                   {"cmdyearview", titled("Rating View by Year for ")},
                                   {"cmdshowdetail",
                                    [&] {
                                        titled("Rating Detail View by Date for ")();
                                        QCOMPARE(points(), std::size_t(30));
                                        newest = newestShown();
                                    }},
                                   {"CmdLeft", [&] { QVERIFY(newestShown() != newest); }},
                                   {"cmdright", [&] { QCOMPARE(newestShown(), newest); }},
                                   {"txtNumdetail", [&] { QCOMPARE(points(), std::size_t(10)); }},
                                   {"Option2", [&] { QCOMPARE(drawn.chartType, ChartType::Bar2d); }},
                                   {"Option3", [&] { QCOMPARE(drawn.chartType, ChartType::Area2d); }},
                                   {"Option4",
                                    [&] { QVERIFY(chart.window->findChild<QRadioButton*>("Option4")->isChecked()); }},
                                   {"Option1", [&] { QCOMPARE(drawn.chartType, ChartType::Line2d); }},
                                   {"cmdCopy", [&] { QCOMPARE(boxes.back().title, std::string(kCopyTitle)); }},
                                   {"cmdExit",
                                    [&] {
                                        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                                        QVERIFY(!chart.window);
                                    }},
                               });
                 }},
                // Cancel and Exit end the run: the tests below press them.
                {"cmdCancel", nullptr},
                {"cmdExit", nullptr},
            });
        QVERIFY2(run.windows.isBusy(), "the run ended before every control was pressed: slow the service down");
        // Both reopen during the run, still offering only Close.
        run.button("CmdShowDigestView")->click();
        QCOMPARE(enabledControls(digestWindow()), QStringList{"cmdclose"});
        run.button("CmdShowIndividual")->click();
        QCOMPARE(enabledControls(individualWindow()), QStringList{"cmdclose"});
        QVERIFY(run.windows.isBusy());
        QVERIFY(finished.wait(120000));
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(finished.count(), 1);

        // The run's results, in every window, and every control back.
        const std::string results = root() + "/Results/" + kLargeMember + "/";
        const QString status = run.find<QLabel>("lblprocessed")->text();
        QVERIFY2(status.startsWith("Files have been created in "), qPrintable(status));
        QCOMPARE(run.windows.mainWindow().tournamentGrid().model()->rowCount(), 474);
        // The file ends with a line end the box does not show.
        QCOMPARE(run.find<QPlainTextEdit>("txtResults")->toPlainText().trimmed(),
                 shownDigest(readBytes(results + "digest.txt")).trimmed());
        QCOMPARE(run.windows.individual().resultsGrid().model()->rowCount(), run.session.ui.MSFlexResults.rows());
        for (const char* control :
             {"CmbID", "MSFlexSort", "CmdUpdateData", "cmdAnalyseOnly", "cmdDelete", "cmdsel", "CmdPrintTournamentView",
              "txthighlowrange", "cmdrefresh", "cmdprintdigest", "cmdW", "cmdprintindivualresults"})
            QVERIFY2(run.find(control)->isEnabled(), control);
        QVERIFY(!run.button("cmdCancel")->isEnabled());
    }

    void cancelReturnsWithinASecondWithTheWindowsOpen() {
        SampleService slow(250);
        QVERIFY(slow.running());
        ProgramRun run(root(), slow.baseUrl());
        run.start();
        run.button("CmdShowDigestView")->click();
        run.button("CmdShowIndividual")->click();
        run.typeId(kLargeMember);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdUpdateData")->click();
        // Windows open before the run wait as well.
        for (const char* disabled :
             {"txthighlowrange", "cmdrefresh", "cmdprintdigest", "cmdW", "cmdprintindivualresults"})
            QVERIFY2(!run.find(disabled)->isEnabled(), disabled);
        auto* progress = run.find<QProgressBar>("prgUpdate");
        QTRY_VERIFY_WITH_TIMEOUT(progress->maximum() > 0 && progress->value() >= 2, 60000);
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        run.button("cmdCancel")->click();
        QVERIFY(finished.wait(10000));
        QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString("%1 ms").arg(sinceCancel.elapsed())));
        QCOMPARE(run.find<QLabel>("lblprocessed")->text(), QString("Update cancelled."));
        for (const char* enabled : {"txthighlowrange", "cmdrefresh", "CmdUpdateData", "CmbID"})
            QVERIFY2(run.find(enabled)->isEnabled(), enabled);
    }

    // A command that ends by an exception still ends the run: the windows
    // work again, the failure is shown, and what the command changed before
    // it failed is shown too (it may stand in the store).
    void aRunThatFailsStillEndsAndShowsWhatItChanged() {
        struct Case {
            const char* name;
            std::function<void()> fail;
            std::string title;
            std::string text;
        };
        const std::vector<Case> cases = {
            {"exception", [] { throw std::runtime_error("planted failure"); }, kMainCaption, "planted failure"},
            {"store error", [] { throw StoreError("/store/Results/x.txt", "No space left on device"); },
             kStoreErrorTitle, "Could not write /store/Results/x.txt: No space left on device"},
            {"not an exception class", [] { throw 42; }, kMainCaption, "unknown error"},
        };
        ProgramRun run(root());
        run.start();
        for (const Case& c : cases) {
            run.boxes.shown.clear();
            QSignalSpy finished(&run.windows, &AppWindows::runFinished);
            run.windows.runInBackground([&c](KrvSession& s) {
                s.setStatus(std::string("changed before the ") + c.name);
                s.ui.CmbIDList.push_back(c.name);
                s.state.updateAllRunning = true;  // as Update All leaves it when it fails
                c.fail();
            });
            QVERIFY(run.windows.isBusy());
            QVERIFY2(finished.wait(10000), c.name);
            QVERIFY2(!run.windows.isBusy() && run.button("CmdUpdateData")->isEnabled(), c.name);
            QCOMPARE(run.boxes.shown.size(), std::size_t(1));
            QCOMPARE(run.boxes.shown[0].title, c.title);
            QCOMPARE(run.boxes.shown[0].text, c.text);
            QCOMPARE(run.find<QLabel>("lblprocessed")->text(), QString("changed before the ") + c.name);
            QCOMPARE(run.find<QComboBox>("CmbID")->itemText(run.find<QComboBox>("CmbID")->count() - 1),
                     QString(c.name));
            QVERIFY2(!run.session.state.updateAllRunning, c.name);
        }
        // And the next run goes as usual.
        run.typeId("1234");
        QVERIFY(run.clickAndWait("CmdUpdateData"));
        QCOMPARE(run.boxes.shown.back().title, std::string("Need USCF ID Number"));
    }

    // What a run shows while it waits for the store, without another
    // program: the caption, a window that keeps working, Cancel that ends
    // the wait at once, and the status line as it was before.
    void aWaitOfTheWorkerIsShownAndCancelEndsIt() {
        ProgramRun run(root());
        run.start();
        const QString before = run.find<QLabel>("lblprocessed")->text();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.windows.runInBackground([](KrvSession& s) {
            s.setStatus(kWaitingForStoreText);
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!s.cancelRequested && std::chrono::steady_clock::now() < giveUp)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        QTRY_COMPARE_WITH_TIMEOUT(run.find<QLabel>("lblprocessed")->text(), QString(kWaitingForStoreText), 5000);
        const int ticksWhileWaiting = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(ticks > ticksWhileWaiting + 5, 5000);
        run.button("cmdhelp")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Help"));
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        run.button("cmdCancel")->click();
        QVERIFY(finished.wait(5000));
        QVERIFY(sinceCancel.elapsed() < 1000);
        QCOMPARE(run.find<QLabel>("lblprocessed")->text(), before);
    }

    // Another program holds the store: the window says so, keeps working,
    // and Cancel ends the wait; Exit cancelled while waiting keeps the
    // program open.
    void anotherProgramHoldingTheStoreIsWaitedFor() {
#ifndef KRV_CLI_PATH
        QSKIP("krv-cli is not built");
#else
        SampleService slow(300);
        QVERIFY(slow.running());
        QProcess other;
        other.start(KRV_CLI_PATH, {"--store", QString::fromStdString(root()), "--base-url",
                                   QString::fromStdString(slow.baseUrl()), "update", kLargeMember});
        QVERIFY(other.waitForStarted(10000));
        // Under way once its first crosstable is stored.
        QTRY_VERIFY_WITH_TIMEOUT(
            fs::exists(root() + "/Data/" + kLargeMember) && !fs::is_empty(root() + "/Data/" + kLargeMember), 60000);
        QProcess probe;
        probe.start(KRV_CLI_PATH, {"--store", QString::fromStdString(root()), "--no-wait", "update", kSmallMember});
        QVERIFY(probe.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(probe.readAllStandardError());
        if (probe.exitCode() != 1 || !said.contains("in use", Qt::CaseInsensitive)) {
            other.kill();
            other.waitForFinished(10000);
            QSKIP("needs the store lock: krv-cli --no-wait does not report the store in use here");
        }

        ProgramRun run(root(), slow.baseUrl());
        run.start();
        run.typeId(kSmallMember);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdUpdateData")->click();
        QTRY_COMPARE_WITH_TIMEOUT(run.find<QLabel>("lblprocessed")->text(), QString(kWaitingForStoreText), 5000);
        run.button("cmdhelp")->click();
        QCOMPARE(run.boxes.shown.back().title, std::string("Help"));
        QElapsedTimer sinceCancel;
        sinceCancel.start();
        run.button("cmdCancel")->click();
        QVERIFY(finished.wait(5000));
        QVERIFY(sinceCancel.elapsed() < 1000);
        QVERIFY(!fs::exists(root() + "/Data/" + kSmallMember));  // nothing ran

        run.button("cmdExit")->click();
        QTRY_COMPARE_WITH_TIMEOUT(run.find<QLabel>("lblprocessed")->text(), QString(kWaitingForStoreText), 5000);
        run.button("cmdCancel")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!run.windows.isBusy(), 5000);
        QVERIFY(!run.windows.hasExited() && run.windows.mainWindow().isVisible());

        // Once the other program is done, Exit writes and ends.
        other.kill();
        QVERIFY(other.waitForFinished(10000));
        QVERIFY(run.exit());
        QVERIFY(fs::exists(root() + "/default.txt"));
#endif
    }
};

QTEST_MAIN(BusyWindowsTest)
#include "busy_windows_test.moc"

// The whole chain through the windows, against the sample rating service:
// an update fills the grid and the digest, sorts survive Exit and a restart,
// and the window keeps working while an update downloads and when it is
// cancelled.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "gui_test_support.h"
#include "platform/text.h"
#include "support/temp_store.h"

using namespace krv;
using krv::testing::ProgramRun;
using krv::testing::readBytes;
using krv::testing::SampleService;
using krv::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// A member with one history page and six events (25 rated games), and one
// with three pages and 121 events, several with two sections.
const char* const kSmallMember = "30302490";
const char* const kLargeMember = "12843395";
constexpr int kLargeMemberGames = 474;
constexpr int kRunTimeoutMs = 240000;

QStringList shownColumn(QTableView& view, int column) {
    QStringList out;
    for (int r = 0; r < view.model()->rowCount(); ++r)
        out << view.model()->index(r, column).data().toString();
    return out;
}

bool isSortedNumerically(const QStringList& cells, bool descending) {
    for (int i = 1; i < cells.size(); ++i) {
        double a = numericValue(cells[i - 1].toStdString()), b = numericValue(cells[i].toStdString());
        if (descending ? a < b : a > b) return false;
    }
    return true;
}

std::size_t lineCount(const std::string& path) { return splitLines(readBytes(path)).size(); }

std::vector<std::string> partialFiles(const std::string& root) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".partial") found.push_back(entry.path().string());
    return found;
}

void typeId(ProgramRun& run, const char* id) {
    auto* box = run.find<QComboBox>("CmbID");
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), id);
}

bool update(ProgramRun& run) {
    QSignalSpy finished(&run.windows, &AppWindows::runFinished);
    run.button("CmdUpdateData")->click();
    return finished.wait(kRunTimeoutMs);
}

}  // namespace

class UpdateFlowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> dir_;
    std::string root() const { return *dir_ / "KRV"; }

private slots:
    void initTestCase() { krv::testing::quietOffscreenWarnings(); }
    void init() {
        if (!krv::testing::sampleServiceBuilt()) QSKIP("the sample rating service is not built");
        dir_ = std::make_unique<TempDir>();
    }
    void cleanup() { dir_.reset(); }

    void anUpdateFillsTheGridAndTheDigest() {
        SampleService service;
        QVERIFY(service.running());
        ProgramRun run(root(), service.baseUrl());
        run.start();
        typeId(run, kSmallMember);
        QVERIFY(update(run));

        const std::string gameList = root() + "/Results/" + kSmallMember + "/" + kSmallMember + ".txt";
        auto& view = run.windows.mainWindow().tournamentGrid();
        QVERIFY(!view.isHidden());
        QCOMPARE(view.model()->rowCount(), 25);
        QCOMPARE(std::size_t(view.model()->rowCount()), lineCount(gameList));
        QVERIFY(!run.find("cmdsel")->isHidden());
        QVERIFY(!run.find("CmdPrintTournamentView")->isHidden());
        const QString status = run.find<QLabel>("lblprocessed")->text();
        QVERIFY2(status.startsWith("Files have been created in ") && status.contains("Digest.txt"),
                 qPrintable(status));

        run.button("CmdShowDigestView")->click();
        auto* digest = run.find<QPlainTextEdit>("txtResults");
        QVERIFY(!digest->isHidden());
        QVERIFY(digest->toPlainText().startsWith("This is data from 01-01-1991 to "));
        const std::string saved = readBytes(root() + "/Results/" + kSmallMember + "/digest.txt");
        QCOMPARE(digest->toPlainText().trimmed(),
                 QString::fromLatin1(replaceAll(saved, "\r\n", "\n")).trimmed());
        QCOMPARE(run.find<QComboBox>("CmbID")->count(), 1);  // the member joined the ID list

        run.button("CmdShowIndividual")->click();
        auto& opponents = run.windows.individual().resultsGrid();
        QVERIFY(!opponents.isHidden());
        QCOMPARE(opponents.model()->rowCount(), run.session.ui.MSFlexResults.rows());
        QVERIFY(opponents.model()->rowCount() > 0);

        // Without a printer every printout becomes a PDF in the member's folder.
        run.button("CmdPrintTournamentView")->click();
        run.button("cmdprintdigest")->click();
        run.button("cmdprintindivualresults")->click();
        for (const char* pdf : {"tournament-view.pdf", "digest.pdf", "individual-results.pdf"}) {
            const std::string path = root() + "/Results/" + kSmallMember + "/" + pdf;
            QVERIFY2(fs::exists(path) && fs::file_size(path) > 0, pdf);
        }
    }

    void sortsSurviveExitAndRestart() {
        SampleService service;
        QVERIFY(service.running());
        {
            ProgramRun run(root(), service.baseUrl());
            run.start();
            typeId(run, kSmallMember);
            QVERIFY(update(run));
            auto& view = run.windows.mainWindow().tournamentGrid();
            run.button("cmdsel")->click();
            QVERIFY(isSortedNumerically(shownColumn(view, 3), true));
            run.button("cmdopp")->click();
            QVERIFY(isSortedNumerically(shownColumn(view, 4), false));
            // The list entry, so that Analyse Only accepts it after the restart.
            auto* box = run.find<QComboBox>("CmbID");
            box->setCurrentIndex(0);
            emit box->activated(0);
            run.button("cmdExit")->click();
            QVERIFY(run.windows.hasExited());
        }
        const auto settings = splitLines(readBytes(root() + "/default.txt"));
        QCOMPARE(settings.size(), std::size_t(6));
        QCOMPARE(settings[0].substr(0, 12), std::string(kSmallMember) + " -- ");
        QCOMPARE(settings[2], std::string(" 4 "));
        QCOMPARE(settings[3], std::string(" 3 "));
        QCOMPARE(readBytes(root() + "/config.txt"), settings[0] + "\r\n");

        ProgramRun again(root(), service.baseUrl());
        again.start();
        QVERIFY(again.boxes.shown.empty());  // no welcome: the list exists
        QCOMPARE(again.find<QComboBox>("CmbID")->currentText().toStdString(), settings[0]);
        again.button("cmdAnalyseOnly")->click();
        auto& view = again.windows.mainWindow().tournamentGrid();
        QCOMPARE(view.model()->rowCount(), 25);
        QVERIFY(isSortedNumerically(shownColumn(view, 4), false));
    }

    void theWindowWorksDuringAnUpdateAndCancelLeavesNoPartialEvent() {
        SampleService slow(40);
        QVERIFY(slow.running());
        ProgramRun run(root(), slow.baseUrl());
        run.start();
        typeId(run, kLargeMember);

        // A timer on the GUI thread counts while the downloads go on.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ticks += run.windows.isBusy() ? 1 : 0; });
        ticker.start(20);
        QSignalSpy finished(&run.windows, &AppWindows::runFinished);
        run.button("CmdUpdateData")->click();
        QVERIFY(run.windows.isBusy());
        QVERIFY(!run.button("cmdAnalyseOnly")->isEnabled());
        QVERIFY(!run.button("cmdsel")->isEnabled());
        QVERIFY(run.button("cmdCancel")->isEnabled());

        auto* progress = run.find<QProgressBar>("prgUpdate");
        QTRY_VERIFY_WITH_TIMEOUT(progress->maximum() > 0 && progress->value() >= 3, 60000);
        QVERIFY(run.windows.isBusy());
        QVERIFY(ticks > 0);
        run.button("cmdCancel")->click();
        QVERIFY(finished.wait(kRunTimeoutMs));
        QVERIFY(!run.windows.isBusy());
        QVERIFY(run.button("cmdAnalyseOnly")->isEnabled());
        QVERIFY(partialFiles(root()).empty());
        const int fetched = static_cast<int>(std::distance(
            fs::directory_iterator(root() + "/Data/" + kLargeMember), fs::directory_iterator()));
        QVERIFY(fetched > 0);
        QVERIFY(run.find("MSFlexSort")->isHidden());  // a cancelled update analyses nothing

        // Whatever the cancelled run stored is whole: the next run fetches
        // the rest and finds every game.
        QVERIFY(update(run));
        QCOMPARE(run.windows.mainWindow().tournamentGrid().model()->rowCount(), kLargeMemberGames);
    }

    void exitDuringAnUpdateWaitsForTheRunToStop() {
        SampleService slow(40);
        QVERIFY(slow.running());
        ProgramRun run(root(), slow.baseUrl());
        run.start();
        typeId(run, kLargeMember);
        QSignalSpy exited(&run.windows, &AppWindows::exited);
        run.button("CmdUpdateData")->click();
        QVERIFY(!run.windows.mainWindow().close());  // refused for now
        QVERIFY(exited.wait(kRunTimeoutMs));
        QVERIFY(fs::exists(root() + "/default.txt"));
        QVERIFY(partialFiles(root()).empty());
    }
};

QTEST_MAIN(UpdateFlowTest)
#include "update_flow_test.moc"

// How long the windows keep a player waiting on the benchmark member of the
// sample service (1,600 events, 9,600 games), each figure taken from a click
// until the window shows its result painted:
//
//   sort button            a sort button of the tournament grid, until the
//                          grid is repainted (goal: 50 ms)
//   column title           a click on a title of the tournament grid, likewise
//   Analyse Only           the desktop program's command until the grid is
//                          filled and painted, against krv-cli analyse of the
//                          same store run as a process (goal: at most 1.5x)
//   Individual Results     the first opening of the window in a program run,
//                          until it is shown and painted (goal: 150 ms); and
//                          opening it again after Close
//   Charts                 opening the chart window on its overview, until
//                          shown and painted (goal: 150 ms)
//   3-D graph              the chart window switched to "3D", until the graph
//                          has been rendered on the screen (goal: 300 ms;
//                          needs OpenGL: xcb only, skipped offscreen)
//   printout               printing the tournament view (241 pages, to PDF):
//                          the whole printout, and the longest time the
//                          windows processed no events meanwhile
//
// Every round is one run of the program (new session and windows on the same
// store), doing each case once or several times in turn, so that a drift of
// the shared machine's speed reaches every case alike; the figures are
// medians over the rounds. Run it offscreen and under Xvfb: scripts/gui-bench.
//
//   krv_gui_bench [--rounds N] [--no-print]
#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "benchmark_member.h"
#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "gui/gui_test_support.h"
#include "platform/qt_text.h"

namespace {

using namespace krv;

constexpr int kDefaultRounds = 7;
constexpr int kLongWaitMs = 240000;

double msSince(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// The samples of one case.
struct Samples {
    std::vector<double> ms;
    double median() const {
        if (ms.empty()) return 0;
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

using Results = std::map<std::string, Samples>;

// Lets the event loop do what a click left for it (delayed layouts, queued
// redraws): runs until a zero timer posted after them has fired, twice, as
// the first turn may post more.
void settle() {
    for (int turn = 0; turn < 2; ++turn) {
        bool fired = false;
        QTimer::singleShot(0, [&fired] { fired = true; });
        while (!fired) QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// A window as the user sees it: on the screen and painted through.
void showAndPaint(QWidget& window) {
    if (!QTest::qWaitForWindowExposed(&window, 10000)) std::cerr << window.objectName().toStdString() << " not shown\n";
    settle();
    window.repaint();
}

// The time from the click until the 3-D graph's window has rendered a frame
// while on the screen: its expose and update events are handled here, so
// that the clock reads when the rendering (and the buffer swap) is done.
class RenderWatch : public QObject {
public:
    explicit RenderWatch(const QElapsedTimer& since) : since_(&since) {}
    void watch(QWindow* graph) {
        graph_ = graph;
        graph->installEventFilter(this);
    }
    bool rendered() const { return renderedMs_ >= 0; }
    // From the click until the first frame was on the screen.
    double renderedMs() const { return renderedMs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != graph_ || (event->type() != QEvent::Expose && event->type() != QEvent::UpdateRequest))
            return false;
        graph_->removeEventFilter(this);
        static_cast<QObject*>(graph_)->event(event);
        graph_->installEventFilter(this);
        if (graph_->isExposed() && renderedMs_ < 0) renderedMs_ = msSince(*since_);
        return true;
    }

private:
    const QElapsedTimer* since_ = nullptr;
    QPointer<QWindow> graph_;
    double renderedMs_ = -1;
};

QWindow* threeDGraphWindow() {
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->inherits("QAbstract3DGraph")) return w;
    return nullptr;
}

// krv-cli analyse of the same store, as a process of its own.
double cliAnalyse(const bench::MemberStore& store) {
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(KRV_CLI_PATH),
              {"--store", QString::fromStdString(store.root), "analyse", QString::fromStdString(bench::kMember)});
    cli.waitForFinished(kLongWaitMs);
    const double ms = msSince(clock);
    if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) std::cerr << "krv-cli analyse failed\n";
    return ms;
}

// One run of the desktop program on the benchmark store, with the chart
// window wired to the main window as the program does it.
struct Program {
    explicit Program(const bench::MemberStore& store) : run(store.root) {
        cmdanalyse& main = run.windows.mainWindow();
        QObject::connect(&main, &cmdanalyse::chartsRequested, &main, [this, &main] {
            const bool fresh = !chart;
            showFormChart(run.session, chart, &main);
            if (fresh) run.windows.placeWindow(*chart);
        });
        run.start();
        showAndPaint(main);
        auto* box = run.find<QComboBox>("CmbID");
        const int entry = box->findText(fromCp1252(store.entry));
        if (entry < 0) std::cerr << "the member is not in the ID list\n";
        run.pickId(entry);
    }
    ~Program() {
        if (chart) delete chart.data();
    }
    QTableView& grid() { return run.windows.mainWindow().tournamentGrid(); }

    testing::ProgramRun run;
    QPointer<FormChart> chart;
};

double analyseOnly(Program& p) {
    QElapsedTimer clock;
    clock.start();
    if (!p.run.clickAndWait("cmdAnalyseOnly", kLongWaitMs)) std::cerr << "Analyse Only did not end\n";
    settle();
    p.grid().viewport()->repaint();
    const double ms = msSince(clock);
    if (p.grid().isHidden() || p.grid().model()->rowCount() == 0) std::cerr << "Analyse Only left no grid\n";
    return ms;
}

void sortButtons(Program& p, Samples& out) {
    for (const char* name : {"cmdsel", "cmdopp", "cmdsortbydate", "cmdsortbytournament", "cmdsortbyalpha", "cmddif",
                             "cmdsortbyid", "cmdresults", "cmdPost"}) {
        QAbstractButton* button = p.run.button(name);
        QElapsedTimer clock;
        clock.start();
        button->click();
        settle();
        p.grid().viewport()->repaint();
        out.ms.push_back(msSince(clock));
    }
}

void columnTitles(Program& p, Samples& out) {
    QHeaderView& header = *p.grid().horizontalHeader();
    for (int column : {3, 4, 7, 8, 1, 5, 0, 2, 6}) {
        const QPoint at(header.sectionViewportPosition(column) + header.sectionSize(column) / 2, header.height() / 2);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, at);
        settle();
        p.grid().viewport()->repaint();
        out.ms.push_back(msSince(clock));
    }
}

double openIndividual(Program& p) {
    QElapsedTimer clock;
    clock.start();
    p.run.button("CmdShowIndividual")->click();
    showAndPaint(p.run.windows.individual());
    return msSince(clock);
}

double openCharts(Program& p) {
    QElapsedTimer clock;
    clock.start();
    p.run.button("cmdchartit")->click();
    if (!p.chart) return -1;
    showAndPaint(*p.chart);
    return msSince(clock);
}

double switchToThreeD(Program& p) {
    auto* option = p.chart->findChild<QRadioButton*>("Option4");
    QElapsedTimer clock;
    RenderWatch watch(clock);
    clock.start();
    option->click();
    QWindow* graph = threeDGraphWindow();
    if (!graph || !p.chart->chart().showsThreeD()) {
        std::cerr << "no 3-D graph\n";
        return -1;
    }
    watch.watch(graph);
    while (!watch.rendered() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch.renderedMs();
}

// Prints the tournament view from the event loop, as a click does, and notes
// the longest time between two turns of the loop meanwhile.
struct PrintTimes {
    double totalMs = 0;
    double longestStallMs = 0;
    int pages = 0;
};

PrintTimes printTournamentView(Program& p) {
    PrintTimes times;
    const auto printed = [&p] { return p.run.boxes.sawTitle("Printed to PDF") && !p.run.windows.isBusy(); };
    p.run.boxes.shown.clear();
    QEventLoop loop;
    QElapsedTimer clock, sinceTurn;
    QTimer turns;
    turns.setInterval(0);
    QObject::connect(&turns, &QTimer::timeout, &loop, [&] {
        times.longestStallMs = std::max(times.longestStallMs, msSince(sinceTurn));
        sinceTurn.restart();
        if (printed() || clock.elapsed() > kLongWaitMs) loop.quit();
    });
    QTimer::singleShot(0, &loop, [&] {
        clock.start();
        sinceTurn.start();
        turns.start();
        p.run.button("CmdPrintTournamentView")->click();
    });
    loop.exec();
    times.totalMs = msSince(clock);
    for (const auto& box : p.run.boxes.shown)
        if (box.title != "Printed to PDF") std::cerr << box.title << ": " << box.text << "\n";
    return times;
}

// warmUp: the first round of the process, whose 3-D graph also starts the GL
// driver, as a user's first "3D" of a program run does.
void round(const bench::MemberStore& store, int index, bool threeD, bool print, Results& r, bool warmUp = false) {
    Program p(store);
    // The command line goes first in every other round.
    if (index % 2 == 0) r["krv-cli analyse"].ms.push_back(cliAnalyse(store));
    r["Analyse Only"].ms.push_back(analyseOnly(p));
    if (index % 2 == 1) r["krv-cli analyse"].ms.push_back(cliAnalyse(store));
    sortButtons(p, r["sort button"]);
    columnTitles(p, r["column title"]);
    r["Individual Results, first"].ms.push_back(openIndividual(p));
    p.run.windows.individual().hide();
    r["Individual Results, again"].ms.push_back(openIndividual(p));
    r["Charts"].ms.push_back(openCharts(p));
    if (threeD) r[warmUp ? "3-D graph, first of run" : "3-D graph"].ms.push_back(switchToThreeD(p));
    if (print) {
        const PrintTimes times = printTournamentView(p);
        r["printout, whole"].ms.push_back(times.totalMs);
        r["printout, longest stall"].ms.push_back(times.longestStallMs);
    }
}

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void report(const Results& r, int rounds) {
    struct Row {
        const char* name;
        const char* goal;
    };
    const Row rows[] = {{"sort button", "<= 50 ms"},
                        {"column title", "<= 50 ms"},
                        {"Analyse Only", ""},
                        {"krv-cli analyse", ""},
                        {"Individual Results, first", "<= 150 ms"},
                        {"Individual Results, again", "<= 150 ms"},
                        {"Charts", "<= 150 ms"},
                        {"3-D graph", "<= 300 ms"},
                        {"3-D graph, first of run", "<= 300 ms"},
                        {"printout, whole", ""},
                        {"printout, longest stall", ""}};
    std::printf("\nplatform %s, %d rounds, load average %s\n", qPrintable(QGuiApplication::platformName()), rounds,
                loadAverage().c_str());
    std::printf("%-28s %9s %9s %9s  %s\n", "click until painted", "median", "max", "samples", "goal");
    for (const Row& row : rows) {
        const auto it = r.find(row.name);
        if (it == r.end() || it->second.ms.empty()) continue;
        std::printf("%-28s %6.1f ms %6.1f ms %9zu  %s\n", row.name, it->second.median(), it->second.max(),
                    it->second.ms.size(), row.goal);
    }
    const auto gui = r.find("Analyse Only"), cli = r.find("krv-cli analyse");
    if (gui != r.end() && cli != r.end() && cli->second.median() > 0)
        std::printf("Analyse Only / krv-cli analyse (medians) = %.2f  (goal <= 1.5)\n",
                    gui->second.median() / cli->second.median());
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    testing::quietOffscreenWarnings();
    int rounds = kDefaultRounds;
    bool print = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--no-print") print = false;
        else {
            std::cerr << "usage: krv_gui_bench [--rounds N] [--no-print]\n";
            return 2;
        }
    }
    // Asking for OpenGL is left to the first "3D", as in the program; only
    // the X platform offers it here.
    const bool threeD = QGuiApplication::platformName() == "xcb";
    if (!threeD)
        std::cerr << "no OpenGL on platform " << qPrintable(QGuiApplication::platformName())
                  << ": the 3-D graph is not measured\n";
    bench::MemberStore store;
    Results results;
    // The first round only warms up (fonts, styles, the file cache), apart
    // from its 3-D graph, which is the one that starts the GL driver.
    {
        Results warmUp;
        round(store, 0, threeD, false, warmUp, true);
        results["3-D graph, first of run"] = warmUp["3-D graph, first of run"];
    }
    for (int i = 0; i < rounds; ++i) {
        round(store, i, threeD, print, results);
        std::cerr << "round " << i + 1 << " of " << rounds << " done\n";
    }
    report(results, rounds);
    return 0;
}

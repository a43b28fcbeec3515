// Opens the chart window on a fictional member's twenty-year history and
// takes a screenshot of the display for each graph type, so a person can
// judge how the charts look. Run on an X display (scripts/chart-screenshots),
// once per look: the script sets QT_SCALE_FACTOR for the enlarged one.
//
//   krv_chart_screenshots OUTDIR [--dark] [--suffix TEXT] [--long-history]
//
// --dark draws in a dark desktop palette; --suffix ends every file name
// (chart-4-3d-overview-scale2.png); --long-history adds the 3-D overview of
// the sample service's benchmark member, whose 1,600 events fill the ribbon
// from one axis to the other.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>

#include "acquisition/update_run.h"
#include "charts/chart_view.h"
#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "dark_palette.h"
#include "platform/replaced_file.h"
#include "platform/text.h"
#include "sample_pages.h"
#include "session/session.h"
#include "shell/commands.h"
#include "support/temp_store.h"

using namespace krv;

namespace {

class NoNetwork : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&, const CancelFlag*) override {
        return {false, 0, "offline"};
    }
};

class SilentBoxes : public MessageBox {
public:
    void ok(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    bool yesNo(const std::string&, const std::string&) override { return false; }
    void beep() override {}
};

struct Event {
    int date;
    int before;
    int after;
};

// A junior who starts unrated in 1991, climbs fast, settles in the 1800s
// and has a few bad years: about eight events a year.
std::vector<Event> history() {
    std::vector<Event> events;
    unsigned seed = 20240607;
    auto noise = [&seed](int spread) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % unsigned(2 * spread + 1)) - spread;
    };
    double rating = 0;
    for (int year = 1991; year <= 2010; ++year) {
        for (int month = 1; month <= 12; month += 1 + (noise(2) > 0 ? 1 : 0)) {
            int day = 3 + (noise(12) + 12);
            double trend = 1850 - 700 * std::exp(-(year - 1991) / 3.5) - (year >= 2003 && year <= 2005 ? 90 : 0);
            int before = int(std::lround(rating));
            double next = rating == 0 ? 980 + noise(40) : rating + (trend - rating) * 0.25 + noise(35);
            rating = next;
            events.push_back({year * 10000 + month * 100 + day, before, int(std::lround(rating))});
        }
    }
    return events;
}

// The chart files as the tournament view writes them: newest first.
void writeChartFiles(const std::string& folder) {
    std::vector<Event> events = history();
    std::vector<std::string> all, years;
    std::string lastYear;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        std::string before = it->before == 0 ? "UnR" : printForm(it->before);
        all.push_back(printForm(it->date) + "," + before + "," + printForm(it->after));
        std::string year = std::to_string(it->date / 10000);
        if (year != lastYear) years.push_back(std::to_string(it->date) + "," + before + "," + printForm(it->after));
        lastYear = year;
    }
    krv::testing::writeBytes(folder + "/allChart.txt", joinLinesCrLf(all));
    krv::testing::writeBytes(folder + "/yearChart.txt", joinLinesCrLf(years));
}

void click(FormChart& window, const char* name) {
    auto* button = window.findChild<QAbstractButton*>(name);
    if (!button) qFatal("no control %s", name);
    button->click();
}

// The display's pixels under the window: the 3-D graph draws through OpenGL,
// which a widget's own grab() leaves out.
bool screenshot(FormChart& window, const QString& path) {
    window.raise();
    QTest::qWait(900);  // lets the 3-D graph render a few frames
    const qreal ratio = window.devicePixelRatioF();
    const QRect frame = window.frameGeometry();
    const QRect pixels(QPoint(qRound(frame.x() * ratio), qRound(frame.y() * ratio)),
                       QSize(qRound(frame.width() * ratio), qRound(frame.height() * ratio)));
    QString crop = QString("%1x%2+%3+%4").arg(pixels.width()).arg(pixels.height()).arg(pixels.x()).arg(pixels.y());
    int status = QProcess::execute("import", {"-window", "root", "-crop", crop, path});
    std::fprintf(stderr, "%s %s\n", status == 0 ? "wrote" : "could not write", qPrintable(path));
    return status == 0;
}

// Answers page requests from the sample service's page library, without
// HTTP, so the benchmark member's store is made as the program makes it.
class CatalogPages : public Downloader {
public:
    static constexpr const char* kBase = "http://sample.memory";
    DownloadResult download(const std::string& url, const std::string& path, const CancelFlag*) override {
        sample::PageAnswer answer =
            sample::answerPageRequest(sample::Catalog::bundled(), url.substr(std::string(kBase).size()));
        if (answer.status != 200 || answer.body.empty()) return {false, answer.status, "no page"};
        if (!writeFileAtomically(path, answer.body)) return {false, 0, "cannot write"};
        return {true, 200, ""};
    }
};

struct Options {
    QString out;
    QString suffix;
    bool dark = false;
    bool longHistory = false;
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == "--dark") options.dark = true;
        else if (arg == "--long-history") options.longHistory = true;
        else if (arg == "--suffix" && i + 1 < argc) options.suffix = QString::fromLocal8Bit(argv[++i]);
        else if (!arg.startsWith("--") && options.out.isEmpty()) options.out = arg;
        else return false;
    }
    return !options.out.isEmpty();
}

// The four graph types on the twenty-year history.
bool shootGraphTypes(const Options& options) {
    krv::testing::TempDir store;
    SilentBoxes boxes;
    NoNetwork network;
    KrvSession session(SessionOptions{store / "KRV"}, boxes, network);
    writeChartFiles(session.store().results() + "/12044781");
    session.pickIdBoxEntry("12044781 -- Marsh, Evelyn");

    QPointer<FormChart> instance;
    FormChart* window = showFormChart(session, instance);
    window->move(0, 0);
    if (!QTest::qWaitForWindowExposed(window)) return false;

    auto file = [&](const char* name) { return options.out + "/" + name + options.suffix + ".png"; };
    bool ok = true;
    ok &= screenshot(*window, file("chart-1-line-overview"));
    click(*window, "cmdshowdetail");
    click(*window, "CmdLeft");
    click(*window, "Option2");
    ok &= screenshot(*window, file("chart-2-bar-detailed"));
    click(*window, "cmdyearview");
    click(*window, "Option3");
    ok &= screenshot(*window, file("chart-3-filled-year"));
    click(*window, "cmdShowChart");
    click(*window, "Option4");
    ok &= screenshot(*window, file("chart-4-3d-overview"));
    click(*window, "cmdshowdetail");
    ok &= screenshot(*window, file("chart-5-3d-detailed"));
    click(*window, "Option1");
    ok &= screenshot(*window, file("chart-6-line-detailed"));
    window->close();
    return ok;
}

// The 3-D overview of the benchmark member, made by a real update run.
bool shootLongHistory(const Options& options) {
    krv::testing::TempDir store;
    SilentBoxes boxes;
    CatalogPages pages;
    KrvSession session(SessionOptions{store / "KRV", CatalogPages::kBase, 4}, boxes, pages);
    startUp(session);
    session.setIdBoxText(std::string(sample::kBenchmarkMemberId));
    CmdUpdateData_Click(session);

    QPointer<FormChart> instance;
    FormChart* window = showFormChart(session, instance);
    window->move(0, 0);
    if (!QTest::qWaitForWindowExposed(window)) return false;
    click(*window, "Option4");
    const bool ok = screenshot(*window, options.out + "/chart-7-3d-1600-events" + options.suffix + ".png");
    window->close();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: krv_chart_screenshots OUTDIR [--dark] [--suffix TEXT] [--long-history]\n");
        return 2;
    }
    if (options.dark) krv::screenshots::useDarkPalette();
    QDir().mkpath(options.out);
    if (!QtChart::openGlUsable()) std::fprintf(stderr, "no OpenGL here: the 3D shot shows the line graph\n");

    bool ok = shootGraphTypes(options);
    if (options.longHistory) ok = shootLongHistory(options) && ok;
    return ok ? 0 : 1;
}

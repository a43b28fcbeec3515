// Opens the chart window on a fictional member's twenty-year history and
// takes a screenshot of the display for each graph type, so a person can
// judge how the charts look. Run on an X display (scripts/chart-screenshots).
//
//   krv_chart_screenshots OUTDIR
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>

#include "charts/chart_view.h"
#include "charts/chart_window.h"
#include "charts/qt_chart.h"
#include "platform/text.h"
#include "session/session.h"
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

bool screenshot(FormChart& window, const QString& path) {
    window.raise();
    QTest::qWait(900);  // lets the 3-D graph render a few frames
    QRect frame = window.frameGeometry();
    QString crop = QString("%1x%2+%3+%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y());
    int status = QProcess::execute("import", {"-window", "root", "-crop", crop, path});
    std::fprintf(stderr, "%s %s\n", status == 0 ? "wrote" : "could not write", qPrintable(path));
    return status == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: krv_chart_screenshots OUTDIR\n");
        return 2;
    }
    QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    if (!QtChart::openGlUsable()) std::fprintf(stderr, "no OpenGL here: the 3D shot shows the line graph\n");

    krv::testing::TempDir store;
    SilentBoxes boxes;
    NoNetwork network;
    KrvSession session(SessionOptions{store / "KRV"}, boxes, network);
    writeChartFiles(session.store().results() + "/12044781");
    session.pickIdBoxEntry("12044781 -- Marsh, Evelyn");

    QPointer<FormChart> instance;
    FormChart* window = showFormChart(session, instance);
    window->move(0, 0);
    if (!QTest::qWaitForWindowExposed(window)) return 1;

    bool ok = true;
    ok &= screenshot(*window, out + "/chart-1-line-overview.png");
    click(*window, "cmdshowdetail");
    click(*window, "CmdLeft");
    click(*window, "Option2");
    ok &= screenshot(*window, out + "/chart-2-bar-detailed.png");
    click(*window, "cmdyearview");
    click(*window, "Option3");
    ok &= screenshot(*window, out + "/chart-3-filled-year.png");
    click(*window, "cmdShowChart");
    click(*window, "Option4");
    ok &= screenshot(*window, out + "/chart-4-3d-overview.png");
    click(*window, "cmdshowdetail");
    ok &= screenshot(*window, out + "/chart-5-3d-detailed.png");
    click(*window, "Option1");
    ok &= screenshot(*window, out + "/chart-6-line-detailed.png");
    window->close();
    return ok ? 0 : 1;
}

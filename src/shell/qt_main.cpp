// krv: the desktop program.
//   krv [--store DIR] [--base-url URL] [--connections N] [--max-rate R]
//   krv --help | --version
#include <QApplication>
#include <QPointer>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "charts/chart_window.h"
#include "platform/curl_download.h"
#include "platform/qt_focus_style.h"
#include "platform/qt_message_box.h"
#include "platform/text.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "shell/qt_app_windows.h"
#include "shell/site_address.h"
#include "web/web_window.h"

namespace {

constexpr int kExitUsage = 2;

struct Arguments {
    std::optional<std::string> store;
    std::optional<std::string> baseUrl;
    int connections = krv::kDefaultConnections;
    double maxRate = 0;  // requests per second; 0: no limit
};

void usage(std::ostream& out = std::cerr) {
    out << "usage: krv [--store DIR] [--base-url URL] [--connections N] [--max-rate R]\n"
           "       krv --help | --version\n"
           "The rating site is --base-url, else $KRV_BASE_URL, else the line base=URL of site.txt in the\n"
           "store root, else the bundled sample service at http://127.0.0.1:8080.\n";
}

// --help and --version answer at once, before the window system is needed:
// they work without a display.
std::optional<int> answerWithoutWindows(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(std::cout);
            return 0;
        }
        if (a == "--version") {
            std::cout << "krv " << KRV_VERSION << "\n";
            return 0;
        }
    }
    return std::nullopt;
}

// Qt has taken its own options (-platform, ...) out of the list by now.
std::optional<Arguments> parseArguments(const QStringList& list) {
    Arguments args;
    for (qsizetype i = 1; i < list.size(); ++i) {
        const QString a = list[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= list.size()) return std::nullopt;
            return list[++i].toLocal8Bit().toStdString();
        };
        if (a == "--store") {
            auto v = value();
            if (!v) return std::nullopt;
            args.store = *v;
        } else if (a == "--base-url") {
            auto v = value();
            if (!v) return std::nullopt;
            args.baseUrl = *v;
        } else if (a == "--connections") {
            auto v = value();
            auto n = v ? krv::parseWholeNumber(*v, 1, krv::kMaxConnections) : std::nullopt;
            if (!n) return std::nullopt;
            args.connections = static_cast<int>(*n);
        } else if (a == "--max-rate") {
            auto v = value();
            auto rate = v ? krv::parseRequestRate(*v) : std::nullopt;
            if (!rate) return std::nullopt;
            args.maxRate = *rate;
        } else {
            return std::nullopt;
        }
    }
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    if (auto answered = answerWithoutWindows(argc, argv)) return *answered;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    krv::prepareBrowserEngine();  // the web window's engine, before QApplication
    QApplication app(argc, argv);
    QApplication::setApplicationName("KRV Data");
    krv::useFocusRingStyle();
    // Exit ends the program, whichever windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);

    auto args = parseArguments(QApplication::arguments());
    if (!args) {
        usage();
        return kExitUsage;
    }

    krv::QtMessageBox boxes;
    krv::DownloadPolicy policy;
    policy.maxRequestsPerSecond = args->maxRate;
    krv::CurlDownloader downloader(policy);
    const std::string root = krv::resolveStoreRoot(args->store);
    const krv::SiteAddress site = krv::resolveSiteAddress(args->baseUrl, root);
    krv::KrvSession session({root, site.url, args->connections}, boxes, downloader);
    krv::AppWindows windows(session);
    boxes.setDialogParent(&windows.mainWindow());

    // The chart and web windows unload when closed and start afresh on the
    // next opening; Exit closes them with the others.
    krv::cmdanalyse& main = windows.mainWindow();
    QPointer<krv::FormChart> chart;
    QPointer<krv::FormWeb> web;
    // A window made afresh takes its remembered place (or one over the main window).
    QObject::connect(&main, &krv::cmdanalyse::chartsRequested, &main, [&] {
        const bool fresh = !chart;
        krv::showFormChart(session, chart, &main);
        if (fresh) windows.placeWindow(*chart);
    });
    QObject::connect(&main, &krv::cmdanalyse::crosstableRequested, &main, [&] {
        const bool fresh = !web;
        krv::showFormWeb(session, web, &main);
        if (fresh) windows.placeWindow(*web);
    });
    QObject::connect(
        &windows, &krv::AppWindows::exited, &app,
        [&] {
            if (chart) chart->close();
            if (web) web->close();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);

    windows.mainWindow().showSiteAddress(QString::fromStdString(site.url), QString::fromStdString(site.source));
    windows.startUp();
    windows.mainWindow().show();
    return app.exec();
}

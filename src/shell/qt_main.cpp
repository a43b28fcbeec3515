// krv: the desktop program.
//   krv [--store DIR] [--base-url URL] [--connections N] [--max-rate R]
#include <QApplication>
#include <QPointer>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "charts/chart_window.h"
#include "platform/curl_download.h"
#include "platform/qt_message_box.h"
#include "platform/text.h"
#include "shell/main_window.h"
#include "shell/qt_app_windows.h"
#include "shell/session.h"
#include "web/web_window.h"

namespace {

constexpr int kExitUsage = 2;

struct Arguments {
    std::optional<std::string> store;
    std::string baseUrl;
    int connections = krv::kDefaultConnections;
    double maxRate = 0;  // requests per second; 0: no limit
};

void usage() { std::cerr << "usage: krv [--store DIR] [--base-url URL] [--connections N] [--max-rate R]\n"; }

// Qt has taken its own options (-platform, ...) out of the list by now.
std::optional<Arguments> parseArguments(const QStringList& list) {
    Arguments args;
    const char* envBase = std::getenv("KRV_BASE_URL");
    args.baseUrl = envBase && *envBase ? envBase : krv::kDefaultBaseUrl;
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
            if (!v || !krv::isNumberText(*v)) return std::nullopt;
            args.connections = static_cast<int>(krv::numericValue(*v));
            if (args.connections < 1 || args.connections > krv::kMaxConnections) return std::nullopt;
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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    krv::prepareBrowserEngine();  // the web window's engine, before QApplication
    QApplication app(argc, argv);
    QApplication::setApplicationName("KRV Data");
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
    krv::KrvSession session({krv::resolveStoreRoot(args->store), args->baseUrl, args->connections}, boxes,
                            downloader);
    krv::AppWindows windows(session);
    boxes.setDialogParent(&windows.mainWindow());

    // The chart and web windows unload when closed and start afresh on the
    // next opening; Exit closes them with the others.
    krv::cmdanalyse& main = windows.mainWindow();
    QPointer<krv::FormChart> chart;
    QPointer<krv::FormWeb> web;
    QObject::connect(&main, &krv::cmdanalyse::chartsRequested, &main,
                     [&] { krv::showFormChart(session, chart, &main); });
    QObject::connect(&main, &krv::cmdanalyse::crosstableRequested, &main,
                     [&] { krv::showFormWeb(session, web, &main); });
    QObject::connect(
        &windows, &krv::AppWindows::exited, &app,
        [&] {
            if (chart) chart->close();
            if (web) web->close();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);

    windows.startUp();
    windows.mainWindow().show();
    return app.exec();
}

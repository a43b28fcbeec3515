// What the window tests (and the screenshot tool) share: the sample rating
// service in a child process, and one run of the program (session, windows,
// recorded boxes) on a store that outlives it, so that a test can start the
// program again.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "individual/individual_window.h"
#include "platform/curl_download.h"
#include "platform/message_box.h"
#include "session/session.h"
#include "shell/main_window.h"
#include "shell/qt_app_windows.h"
#include "stats/digest_window.h"

namespace krv::testing {

// The offscreen platform warns about window features it lacks (size hints,
// raising a window) on every show; those lines only hide real warnings.
inline void quietOffscreenWarnings() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtWarningMsg && text.startsWith("This plugin does not support")) return;
        if (previous) previous(type, context, text);
    });
}

// krv-sample-service on a free port of 127.0.0.1.
class SampleService {
public:
    explicit SampleService(int latencyMs = 0) {
#ifdef KRV_SAMPLE_SERVICE
        QStringList args{"--port", "0"};
        if (latencyMs > 0) args << "--latency-ms" << QString::number(latencyMs);
        process_.start(QStringLiteral(KRV_SAMPLE_SERVICE), args);
        if (!process_.waitForStarted(10000)) return;
        // The first line is "listening on http://127.0.0.1:PORT".
        while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {}
        const QString line = QString::fromLatin1(process_.readLine()).trimmed();
        const QString prefix = "listening on ";
        if (line.startsWith(prefix)) baseUrl_ = line.mid(prefix.size());
#else
        (void)latencyMs;
#endif
    }
    ~SampleService() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }
    bool running() const { return !baseUrl_.isEmpty(); }
    std::string baseUrl() const { return baseUrl_.toStdString(); }

private:
    QProcess process_;
    QString baseUrl_;
};

// One run of the desktop program, its message boxes answered by the test.
struct ProgramRun {
    ProgramRun(const std::string& storeRoot, const std::string& baseUrl = "http://127.0.0.1:9")
        : session(SessionOptions{storeRoot, baseUrl, 2}, boxes, downloader), windows(session) {}

    void start() {
        windows.startUp();
        windows.mainWindow().show();
    }

    // A named control of any of the program's windows.
    template <class T = QWidget>
    T* find(const char* name) {
        if (auto* w = windows.mainWindow().findChild<T*>(name)) return w;
        if (auto* d = windows.existingDigest())
            if (auto* w = d->findChild<T*>(name)) return w;
        if (auto* i = windows.existingIndividual())
            if (auto* w = i->findChild<T*>(name)) return w;
        return nullptr;
    }
    QAbstractButton* button(const char* name) { return find<QAbstractButton>(name); }

    // The ID box: typing into it, or picking an entry of its list.
    void typeId(const char* id) {
        auto* box = find<QComboBox>("CmbID");
        box->lineEdit()->clear();
        QTest::keyClicks(box->lineEdit(), id);
    }
    void pickId(int entry) {
        auto* box = find<QComboBox>("CmbID");
        box->setCurrentIndex(entry);
        emit box->activated(entry);
    }
    // "Update Individual's Data", waiting for the run to end.
    bool update() { return clickAndWait("CmdUpdateData"); }

    // Clicks a button; when that starts a command on the worker (every
    // command that changes the store), waits for the run to end.
    bool clickAndWait(const char* name, int timeoutMs = 240000) {
        QSignalSpy finished(&windows, &AppWindows::runFinished);
        button(name)->click();
        if (!windows.isBusy() || finished.count() > 0) return true;
        return finished.wait(timeoutMs);
    }
    // Exit, whose writes run on the worker; true once the program has ended.
    bool exit(int timeoutMs = 60000) {
        QSignalSpy exited(&windows, &AppWindows::exited);
        button("cmdExit")->click();
        if (exited.count() == 0) exited.wait(timeoutMs);
        return windows.hasExited();
    }

    RecordingMessageBox boxes;
    CurlDownloader downloader;
    KrvSession session;
    AppWindows windows;
};

// A grid column's cells as shown, top to bottom.
inline QStringList shownColumn(const QTableView& view, int column) {
    QStringList out;
    for (int r = 0; r < view.model()->rowCount(); ++r) out << view.model()->index(r, column).data().toString();
    return out;
}

}  // namespace krv::testing

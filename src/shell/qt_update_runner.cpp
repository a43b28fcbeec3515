#include "shell/qt_update_runner.h"

#include <QCoreApplication>
#include <exception>

#include "platform/qt_grid_model.h"
#include "shell/session.h"

namespace krv {

QtUpdateRunner::QtUpdateRunner(KrvSession& session, QObject* parent) : QObject(parent), session_(session) {
    // Emitting from the worker reaches receivers on the GUI thread through
    // their event queue; emitting on the GUI thread calls them at once.
    session_.onStatusChanged = [this](const std::string& text) { emit statusChanged(fromCp1252(text)); };
    session_.onProgress = [this](int done, int total) { emit progressChanged(done, total); };
}

QtUpdateRunner::~QtUpdateRunner() {
    if (worker_.joinable()) {
        session_.cancelRequested = true;
        // The worker may be waiting for a message box on this thread: keep
        // the events flowing until it is done.
        while (!workerDone_) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        joinWorker();
    }
    session_.onStatusChanged = nullptr;
    session_.onProgress = nullptr;
}

bool QtUpdateRunner::start(std::function<void(KrvSession&)> command) {
    if (running_) return false;
    joinWorker();
    running_ = true;
    workerDone_ = false;
    session_.cancelRequested = false;
    worker_ = std::thread([this, command = std::move(command)] {
        QString failure;
        try {
            command(session_);
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("unknown error");
        }
        workerDone_ = true;
        QMetaObject::invokeMethod(
            this,
            [this, failure] {
                joinWorker();
                running_ = false;
                session_.cancelRequested = false;
                if (!failure.isEmpty()) emit failed(failure);
                emit finished();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void QtUpdateRunner::requestCancel() {
    if (running_) session_.cancelRequested = true;
}

void QtUpdateRunner::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace krv

#include "shell/qt_update_runner.h"

#include <QCoreApplication>
#include <exception>

#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"
#include "session/session.h"

namespace krv {

QtUpdateRunner::QtUpdateRunner(KrvSession& session, QObject* parent)
    : QObject(parent), session_(session), workerMessages_(session.messages) {}

QtUpdateRunner::~QtUpdateRunner() {
    stopping_ = true;
    if (worker_.joinable()) {
        if (workerSession_) workerSession_->cancelRequested = true;
        // The worker may be waiting for a message box on this thread: keep
        // the events flowing until it is done.
        while (!workerDone_) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        joinWorker();
    }
}

bool QtUpdateRunner::start(std::function<bool(KrvSession&)> command) {
    if (running_) return false;
    joinWorker();
    workerSession_ = session_.copyForWorker(workerMessages_);
    // The signals are emitted on the GUI thread, where the receivers are.
    workerSession_->onStatusChanged = [this](const std::string& text) {
        guiThread_.post([this, text] { emit statusChanged(fromCp1252(text)); });
    };
    workerSession_->onProgress = [this](int done, int total) {
        guiThread_.post([this, done, total] { emit progressChanged(done, total); });
    };
    running_ = true;
    workerDone_ = false;
    KrvSession& worker = *workerSession_;
    try {
        worker_ = std::thread([this, &worker, command = std::move(command)] {
            std::string failure;
            bool completed = false;
            try {
                completed = command(worker);
            } catch (const std::exception& e) {
                failure = e.what();
                if (failure.empty()) failure = "unknown error";
            } catch (...) { failure = "unknown error"; }
            workerDone_ = true;
            guiThread_.post([this, failure, completed] { endRun(QString::fromLocal8Bit(failure), completed); });
        });
    } catch (...) {
        // No thread: nothing ran, nothing to take over.
        running_ = false;
        workerDone_ = true;
        workerSession_.reset();
        throw;
    }
    return true;
}

void QtUpdateRunner::endRun(QString failure, bool completed) {
    joinWorker();
    if (stopping_) return;
    lastCompleted_ = completed && failure.isEmpty();
    lastCancelled_ = workerSession_->cancelRequested;
    // Also after a cancel or an exception: what the command changed stands
    // in the store, so the windows show it.
    try {
        session_.adoptWorkerResults(std::move(*workerSession_));
    } catch (const std::exception& e) {
        // The run still ends: the windows must work again.
        if (failure.isEmpty()) failure = QString::fromLocal8Bit(e.what());
    }
    workerSession_.reset();
    running_ = false;
    if (!failure.isEmpty()) emit failed(failure);
    emit finished();
}

void QtUpdateRunner::requestCancel() {
    if (running_ && workerSession_) workerSession_->cancelRequested = true;
}

void QtUpdateRunner::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace krv

// Runs a long command (an update, Analyse Only, Delete Data, the writes of
// Exit) on a worker thread so that the windows keep painting and the user
// can cancel. The command works on a copy of the program's session made
// when it starts; the windows' session is neither read nor written by the
// worker, and takes over the copy's state when the command has ended. Status
// captions and download progress arrive as queued signals on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "platform/qt_gui_thread_call.h"
#include "platform/qt_gui_thread_message_box.h"

namespace krv {
class KrvSession;

class QtUpdateRunner : public QObject {
    Q_OBJECT
public:
    // session is the windows' session; create on the GUI thread.
    explicit QtUpdateRunner(KrvSession& session, QObject* parent = nullptr);
    // Waits for a run in progress after asking it to stop.
    ~QtUpdateRunner() override;

    bool isRunning() const { return running_; }

    // Starts command on a copy of the session on the worker; false when a
    // run is in progress. The command returns false when it did not run to
    // its end. Whatever way it ends (done, cancelled, by an exception,
    // reported as failed(what)), the session takes over the copy's state
    // before finished() is emitted.
    bool start(std::function<bool(KrvSession&)> command);

    // Asks the run to stop: sets the copy's cancel flag at once.
    void requestCancel();

    // How the last run ended; valid from finished() on.
    bool lastRunCompleted() const { return lastCompleted_; }
    bool lastRunCancelled() const { return lastCancelled_; }

signals:
    void statusChanged(const QString& text);
    void progressChanged(int done, int total);
    void failed(const QString& what);
    void finished();

private:
    void joinWorker();
    void endRun(QString failure, bool completed);

    KrvSession& session_;
    QtGuiThreadCall guiThread_;  // captions, progress and the run's end
    QtGuiThreadMessageBox workerMessages_;
    // The worker's session: created and taken over on the GUI thread, used
    // by the worker in between. Only its cancel flag is touched by both.
    std::unique_ptr<KrvSession> workerSession_;
    std::thread worker_;
    bool running_ = false;  // GUI thread only
    bool lastCompleted_ = false;
    bool lastCancelled_ = false;
    std::atomic<bool> workerDone_{true};
    bool stopping_ = false;  // the destructor waits: a run's end is no more reported
};

}  // namespace krv

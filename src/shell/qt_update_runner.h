// Runs a long command (the update run, Update All IDs) on a worker thread so
// that the windows keep painting and the user can cancel. Status captions and
// download progress arrive as queued signals on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

namespace krv {
class KrvSession;

class QtUpdateRunner : public QObject {
    Q_OBJECT
public:
    // Installs the session's status and progress callbacks; they emit the
    // signals below from whichever thread calls them.
    explicit QtUpdateRunner(KrvSession& session, QObject* parent = nullptr);
    // Waits for a run in progress after asking it to stop.
    ~QtUpdateRunner() override;

    bool isRunning() const { return running_; }

    // Starts command on the worker; false when a run is in progress. An
    // exception that ends the command is reported as failed(what).
    bool start(std::function<void(KrvSession&)> command);

    // Asks the run to stop after the event in hand.
    void requestCancel();

signals:
    void statusChanged(const QString& text);
    void progressChanged(int done, int total);
    void failed(const QString& what);
    void finished();

private:
    void joinWorker();

    KrvSession& session_;
    std::thread worker_;
    bool running_ = false;  // GUI thread only
    std::atomic<bool> workerDone_{true};
};

}  // namespace krv

// The program's windows: the main window, created at once, and the digest
// and individual results windows, single instances created on first use.
// Runs the commands the windows forward, refreshes every view from the
// session afterwards, and ends the program once.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace krv {
class KrvSession;
class cmdanalyse;
class FormDigest;
class FormIndividual;
class QtUpdateRunner;

class AppWindows : public QObject {
    Q_OBJECT
public:
    explicit AppWindows(KrvSession& session, QObject* parent = nullptr);
    ~AppWindows() override;

    KrvSession& session() { return session_; }
    cmdanalyse& mainWindow() { return *main_; }
    FormDigest& digest();          // created hidden on first use
    FormIndividual& individual();  // created hidden on first use
    FormDigest* existingDigest() const { return digest_.get(); }
    FormIndividual* existingIndividual() const { return individual_.get(); }
    QtUpdateRunner& runner() { return *runner_; }

    // The core's start-up (its welcome box included), then every view.
    void startUp();

    // Runs a command on the GUI thread, then refreshes every view. A command
    // that ends in an exception is reported in a message box.
    void runCommand(const std::function<void(KrvSession&)>& command);

    // Runs a long command on the worker; the windows refuse other commands
    // until it ends, then show its results. Ignored while a run is going.
    void runInBackground(std::function<void(KrvSession&)> command);
    bool isBusy() const;
    void cancelRun();

    void showDigest();
    void showIndividual();

    // Exit: saves the settings and the ID list and closes every window, at
    // most once per run. During a run it cancels the run and exits when the
    // run has ended; it then returns false.
    bool exitProgram();
    bool hasExited() const { return exited_; }

    void refreshViews();

signals:
    void busyChanged(bool busy);
    void runFinished();
    void exited();

private:
    void setBusy(bool busy);
    void runFinishedOnGuiThread();
    void reportFailure(const QString& what);

    KrvSession& session_;
    std::unique_ptr<cmdanalyse> main_;
    std::unique_ptr<FormDigest> digest_;
    std::unique_ptr<FormIndividual> individual_;
    // Declared last so it goes first: a run still going ends while the
    // windows it reports to are there.
    std::unique_ptr<QtUpdateRunner> runner_;
    bool busy_ = false;
    bool exitPending_ = false;
    bool exited_ = false;
};

}  // namespace krv

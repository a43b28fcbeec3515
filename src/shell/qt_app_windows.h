// The program's windows: the main window, created at once, and the digest
// and individual results windows, single instances created on first use.
// Runs the commands the windows forward, refreshes every view from the
// session afterwards, and ends the program once.
//
// Commands that change the store run on the worker, on a copy of the
// session; while one runs the windows' session stays as it was, every
// control that would change it is disabled (also in a window first opened
// during the run), and the copy's state is taken over when the run ends.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "session/command_runner.h"

namespace krv {
class KrvSession;
class cmdanalyse;
class FormDigest;
class FormIndividual;
class QtPrintJob;
class QtUpdateRunner;
class WindowPlacer;

class AppWindows : public QObject, public CommandRunner {
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

    // The core's start-up (its welcome box included), then every view;
    // the main window goes where it stood when the program last ended.
    void startUp();

    // Gives a window of the program its remembered place (or one over the
    // main window) and remembers where it goes, for the next run. The
    // digest and individual results windows are placed by this object.
    void placeWindow(QWidget& window);

    // Runs a command that only changes the views (a sort) on the GUI
    // thread, then refreshes every view. Ignored while a run is going. A
    // command that ends in an exception is reported in a message box.
    void runCommand(const std::function<void(KrvSession&)>& command) override;

    // Runs a command that changes the store on the worker, holding the
    // store's writer lock (waiting for another program that has it, which
    // the status line says and Cancel ends). The windows refuse other
    // commands until it ends, then show its results. Ignored while a run is
    // going.
    void runInBackground(std::function<void(KrvSession&)> command) override;
    // Takes the printout down at once and puts it on paper from the event
    // loop, the progress dialog over the active window; the windows refuse
    // other commands, as during a run, until it ends (runFinished()).
    // Ignored while a run is going.
    void runPrintout(const std::string& pdfFileName, bool landscape,
                     const std::function<void(KrvSession&, Printer&)>& printout) override;
    // A run or a printout is going.
    bool isBusy() const;
    // Stops the run or the printout in progress.
    void cancelRun();
    // The printout going on paper, if any.
    QtPrintJob* printJob() const;

    // Help works at any time: it only shows a box.
    void showHelp();

    void showDigest();
    void showIndividual();

    // Exit: saves the settings and the ID list on the worker, then closes
    // every window, at most once per run. True once the program has ended;
    // otherwise Exit goes on in the background and exited() follows. During
    // another run it cancels that run and exits when it has ended. Cancel
    // during Exit's own wait for the store keeps the program open.
    bool exitProgram();
    bool hasExited() const { return exited_; }

    void refreshViews();

signals:
    void busyChanged(bool busy);
    // A run or a printout has ended and the windows show its outcome.
    void runFinished();
    void exited();

private:
    void setBusy(bool busy);
    void startRun(std::function<void(KrvSession&)> command);
    void runFinishedOnGuiThread();
    void printFinished();
    void finishExit();
    void reportFailure(const QString& what);

    KrvSession& session_;
    std::unique_ptr<cmdanalyse> main_;
    std::unique_ptr<FormDigest> digest_;
    std::unique_ptr<FormIndividual> individual_;
    std::unique_ptr<WindowPlacer> placer_;  // from startUp() on
    // Declared last so it goes first: a run still going ends while the
    // windows it reports to are there.
    std::unique_ptr<QtUpdateRunner> runner_;
    QPointer<QtPrintJob> printJob_;  // deletes itself when it has ended
    bool busy_ = false;
    bool exitPending_ = false;  // Exit waits for the run in progress
    bool exitRunning_ = false;  // the run in progress is Exit's
    bool exited_ = false;
    std::string statusBeforeRun_;
};

}  // namespace krv

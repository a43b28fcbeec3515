#include "shell/qt_app_windows.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <exception>
#include <utility>

#include "individual/individual_window.h"
#include "platform/qt_grid_model.h"
#include "platform/qt_print_job.h"
#include "platform/qt_printer.h"
#include "platform/qt_text.h"
#include "platform/scope_exit.h"
#include "session/member_id.h"
#include "session/session.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/qt_update_runner.h"
#include "shell/qt_window_places.h"
#include "shell/store_command.h"
#include "shell/window_places.h"
#include "stats/digest_window.h"

namespace krv {

namespace {

// Shows a window that may be hidden or minimised and brings it forward.
void present(QWidget& window) {
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
}

}  // namespace

AppWindows::AppWindows(KrvSession& session, QObject* parent)
    : QObject(parent), session_(session), main_(std::make_unique<cmdanalyse>(session, *this)) {
    runner_ = std::make_unique<QtUpdateRunner>(session_);
    connect(runner_.get(), &QtUpdateRunner::statusChanged, main_.get(), &cmdanalyse::showStatus);
    connect(runner_.get(), &QtUpdateRunner::progressChanged, main_.get(), &cmdanalyse::showProgress);
    connect(runner_.get(), &QtUpdateRunner::failed, this, &AppWindows::reportFailure);
    connect(runner_.get(), &QtUpdateRunner::finished, this, &AppWindows::runFinishedOnGuiThread);
}

AppWindows::~AppWindows() {
    // A printout still going stops without a word, leaving no file.
    delete printJob_.data();
    // The runner first: a run still going reports to the windows below.
    runner_.reset();
}

FormDigest& AppWindows::digest() {
    if (!digest_) {
        digest_ = std::make_unique<FormDigest>(session_, *this);
        connect(digest_.get(), &FormDigest::refreshRequested, this, [this] { runInBackground(cmdAnalyseOnly_Click); });
        // A window first opened during a run waits like the others.
        digest_->setBusy(busy_);
        placeWindow(*digest_);
    }
    return *digest_;
}

FormIndividual& AppWindows::individual() {
    if (!individual_) {
        individual_ = std::make_unique<FormIndividual>(session_, *this);
        individual_->setBusy(busy_);
        placeWindow(*individual_);
    }
    return *individual_;
}

void AppWindows::startUp() {
    runCommand(krv::startUp);
    WindowPlaces remembered = readWindowPlaces(session_.store().root);
    main_->setColumnWidths(remembered.columnWidths["MSFlexSort"]);
    placer_ = std::make_unique<WindowPlacer>(std::move(remembered), *main_);
    placer_->track(*main_);
    if (digest_) placer_->track(*digest_);
    if (individual_) placer_->track(*individual_);
}

void AppWindows::placeWindow(QWidget& window) {
    if (placer_) placer_->track(window);
}

void AppWindows::runCommand(const std::function<void(KrvSession&)>& command) {
    if (busy_ || exited_) return;
    QString failure;
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ScopeExit restoreCursor([] { QGuiApplication::restoreOverrideCursor(); });
        try {
            command(session_);
        } catch (const std::exception& e) { failure = QString::fromLocal8Bit(e.what()); } catch (...) {
            failure = QStringLiteral("unknown error");
        }
    }
    if (!failure.isEmpty()) reportFailure(failure);
    refreshViews();
}

void AppWindows::runInBackground(std::function<void(KrvSession&)> command) {
    if (busy_ || exited_) return;
    startRun(std::move(command));
}

void AppWindows::startRun(std::function<void(KrvSession&)> command) {
    statusBeforeRun_ = session_.ui.lblprocessed;
    setBusy(true);
    bool started = false;
    ScopeExit unlessStarted([this, &started] {
        if (started) return;
        exitRunning_ = false;
        setBusy(false);
    });
    try {
        started = runner_->start([command = std::move(command)](KrvSession& worker) {
            return runStoreCommand(worker, command, LockWait::Wait);
        });
    } catch (const std::exception& e) { reportFailure(QString::fromLocal8Bit(e.what())); }
}

void AppWindows::runPrintout(const std::string& pdfFileName, bool landscape,
                             const std::function<void(KrvSession&, Printer&)>& printout) {
    if (busy_ || exited_) return;
    // The Print button's window, where the user looks.
    QWidget* window = QApplication::activeWindow();
    if (!window) window = main_.get();
    QtPrintJob* job = nullptr;
    runCommand([&](KrvSession& s) {
        job = startPrintout(s.messages, window, memberPdfPlace(s, pdfFileName), landscape,
                            [&s, &printout](Printer& p) { printout(s, p); });
    });
    if (!job) return;
    printJob_ = job;
    connect(job, &QtPrintJob::finished, this, &AppWindows::printFinished);
    setBusy(true);
}

void AppWindows::printFinished() {
    printJob_ = nullptr;
    setBusy(false);
    refreshViews();
    emit runFinished();
    if (std::exchange(exitPending_, false)) exitProgram();
}

QtPrintJob* AppWindows::printJob() const { return printJob_.data(); }

bool AppWindows::isBusy() const { return busy_; }

void AppWindows::cancelRun() {
    if (printJob_) printJob_->cancel();
    runner_->requestCancel();
}

void AppWindows::showHelp() { cmdhelp_Click(session_); }

void AppWindows::runFinishedOnGuiThread() {
    const bool wasExit = std::exchange(exitRunning_, false);
    // A wait for the store that was cancelled leaves nothing to say.
    if (session_.ui.lblprocessed == kWaitingForStoreText) session_.ui.lblprocessed = statusBeforeRun_;
    setBusy(false);
    refreshViews();
    emit runFinished();
    if (wasExit) {
        // Exit stops only when the user cancelled its wait for the store; a
        // failed write has been reported and the program still ends.
        if (runner_->lastRunCompleted() || !runner_->lastRunCancelled()) finishExit();
        return;
    }
    if (std::exchange(exitPending_, false)) exitProgram();
}

void AppWindows::setBusy(bool busy) {
    busy_ = busy;
    main_->setBusy(busy);
    if (digest_) digest_->setBusy(busy);
    if (individual_) individual_->setBusy(busy);
    emit busyChanged(busy);
}

void AppWindows::showDigest() {
    FormDigest& window = digest();
    window.refreshFromSession();
    present(window);
}

void AppWindows::showIndividual() {
    FormIndividual& window = individual();
    window.refreshFromSession();
    present(window);
}

bool AppWindows::exitProgram() {
    if (exited_) return true;
    if (busy_) {
        // Exit's own writes are not cancelled by a second Exit. Another run
        // stops after the event in hand; Exit follows when it ends.
        if (!exitRunning_) {
            exitPending_ = true;
            cancelRun();
        }
        return false;
    }
    exitRunning_ = true;
    // The places are taken here, where the windows are; the worker writes
    // them after the settings, with the store held.
    WindowPlaces places = placer_ ? placer_->current() : WindowPlaces{};
    places.columnWidths["MSFlexSort"] = main_->columnWidths();
    startRun([places = std::move(places), keep = placer_ != nullptr](KrvSession& s) {
        cmdExit_Click(s);
        if (keep) writeWindowPlaces(s.store().root, places);
    });
    return false;
}

void AppWindows::finishExit() {
    exited_ = true;
    if (digest_) digest_->hide();
    if (individual_) individual_->hide();
    main_->hide();
    emit exited();
}

void AppWindows::refreshViews() {
    main_->refreshFromSession();
    if (digest_) digest_->refreshFromSession();
    if (individual_) individual_->refreshFromSession();
}

void AppWindows::reportFailure(const QString& what) { session_.messages.ok(kMainCaption, toCp1252(what)); }

}  // namespace krv

#include "shell/qt_app_windows.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <exception>

#include "individual/individual_window.h"
#include "platform/qt_grid_model.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/qt_update_runner.h"
#include "shell/session.h"
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
    // The runner first: a run still going reports to the windows below.
    runner_.reset();
}

FormDigest& AppWindows::digest() {
    if (!digest_) digest_ = std::make_unique<FormDigest>(session_, *this);
    return *digest_;
}

FormIndividual& AppWindows::individual() {
    if (!individual_) individual_ = std::make_unique<FormIndividual>(session_, *this);
    return *individual_;
}

void AppWindows::startUp() { runCommand(krv::startUp); }

void AppWindows::runCommand(const std::function<void(KrvSession&)>& command) {
    if (busy_ || exited_) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        command(session_);
    } catch (const std::exception& e) {
        QGuiApplication::restoreOverrideCursor();
        reportFailure(QString::fromLocal8Bit(e.what()));
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    QGuiApplication::restoreOverrideCursor();
    refreshViews();
}

void AppWindows::runInBackground(std::function<void(KrvSession&)> command) {
    if (busy_ || exited_) return;
    setBusy(true);
    if (!runner_->start(std::move(command))) setBusy(false);
}

bool AppWindows::isBusy() const { return busy_; }

void AppWindows::cancelRun() { runner_->requestCancel(); }

void AppWindows::runFinishedOnGuiThread() {
    setBusy(false);
    refreshViews();
    emit runFinished();
    if (exitPending_) exitProgram();
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
        // The run stops after the event in hand; Exit follows when it ends.
        exitPending_ = true;
        cancelRun();
        return false;
    }
    exited_ = true;
    try {
        cmdExit_Click(session_);
    } catch (const std::exception& e) {
        reportFailure(QString::fromLocal8Bit(e.what()));
    }
    if (digest_) digest_->hide();
    if (individual_) individual_->hide();
    main_->hide();
    emit exited();
    return true;
}

void AppWindows::refreshViews() {
    main_->refreshFromSession();
    if (digest_) digest_->refreshFromSession();
    if (individual_) individual_->refreshFromSession();
}

void AppWindows::reportFailure(const QString& what) { session_.messages.ok(kMainCaption, toCp1252(what)); }

}  // namespace krv

#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "platform/qt_grid_model.h"

namespace krv {

QtMessageBox::QtMessageBox(QObject* parent) : QObject(parent) {}

bool QtMessageBox::onGuiThread() const { return QThread::currentThread() == thread(); }

void QtMessageBox::ok(const std::string& title, const std::string& text) {
    if (!onGuiThread()) {
        QMetaObject::invokeMethod(
            this, [&] { ok(title, text); }, Qt::BlockingQueuedConnection);
        return;
    }
    QMessageBox::information(dialogParent_, fromCp1252(title), fromCp1252(text));
}

bool QtMessageBox::yesNo(const std::string& title, const std::string& text) {
    if (!onGuiThread()) {
        bool answer = false;
        QMetaObject::invokeMethod(
            this, [&] { answer = yesNo(title, text); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    return QMessageBox::question(dialogParent_, fromCp1252(title), fromCp1252(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void QtMessageBox::beep() {
    if (!onGuiThread()) {
        QMetaObject::invokeMethod(
            this, [] { QApplication::beep(); }, Qt::QueuedConnection);
        return;
    }
    QApplication::beep();
}

}  // namespace krv

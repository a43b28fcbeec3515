#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"

namespace krv {

QtMessageBox::QtMessageBox(QObject* parent) : QObject(parent) {}

void QtMessageBox::ok(const std::string& title, const std::string& text) {
    guiThread_.run([&] { QMessageBox::information(dialogParent_, fromCp1252(title), fromCp1252(text)); });
}

bool QtMessageBox::yesNo(const std::string& title, const std::string& text) {
    bool answer = false;
    guiThread_.run([&] {
        answer = QMessageBox::question(dialogParent_, fromCp1252(title), fromCp1252(text),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    });
    return answer;
}

void QtMessageBox::beep() {
    guiThread_.run([] { QApplication::beep(); });
}

}  // namespace krv

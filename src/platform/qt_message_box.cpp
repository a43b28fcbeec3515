#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <string_view>

#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"
#include "platform/store_error.h"

namespace krv {

QMessageBox::Icon messageIconFor(const std::string& title) {
    // The store could not be written or read: data may be missing.
    if (title == kStoreErrorTitle) return QMessageBox::Critical;
    // A command failed or was refused; nothing was lost. The titles belong
    // to the commands above this layer (the window tests hold them to the
    // commands' own names): the store lock's, a failed command's under the
    // main window's caption, and the chart window's.
    for (std::string_view warning : {"Download Failed", "Incorrect USCF ID Number", "Need USCF ID Number", "Print",
                                     "Store In Use", "KRV Data  Version 1.7b", "KRV Graphs"})
        if (title == warning) return QMessageBox::Warning;
    // The chart's copy confirmation has no icon.
    if (title == "Copy to Clipboard") return QMessageBox::NoIcon;
    return QMessageBox::Information;
}

QtMessageBox::QtMessageBox(QObject* parent) : QObject(parent) {}

void QtMessageBox::ok(const std::string& title, const std::string& text) {
    guiThread_.run([&] {
        QMessageBox box(messageIconFor(title), fromCp1252(title), fromCp1252(text), QMessageBox::Ok, dialogParent_);
        box.exec();
    });
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

// Message boxes and the beep as dialogs of the desktop program. The core may
// ask from a worker thread; the dialog is then shown on the GUI thread and
// the worker waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>

#include "platform/message_box.h"
#include "platform/qt_gui_thread_call.h"

class QWidget;

namespace krv {

class QtMessageBox : public QObject, public MessageBox {
    Q_OBJECT
public:
    // Create on the GUI thread. The parent widget, when set, centres the
    // dialogs over it.
    explicit QtMessageBox(QObject* parent = nullptr);
    void setDialogParent(QWidget* widget) { dialogParent_ = widget; }

    void ok(const std::string& title, const std::string& text) override;
    bool yesNo(const std::string& title, const std::string& text) override;
    void beep() override;

private:
    QPointer<QWidget> dialogParent_;
    QtGuiThreadCall guiThread_;
};

}  // namespace krv

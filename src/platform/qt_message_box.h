// Message boxes and the beep as dialogs of the desktop program. The core may
// ask from a worker thread; the dialog is then shown on the GUI thread and
// the worker waits for the answer.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <string>

#include "platform/message_box.h"
#include "platform/qt_gui_thread_call.h"

class QWidget;

namespace krv {

// The icon of an OK box, told from its title, since the core names only a
// title and a text: failures a warning or critical icon, notes and help the
// information icon, the chart's copy confirmation none.
QMessageBox::Icon messageIconFor(const std::string& title);

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

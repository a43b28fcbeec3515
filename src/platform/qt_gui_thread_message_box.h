// Message boxes asked for on a worker thread, answered on the GUI thread by
// the program's own message box. A command running on the worker shares no
// memory with the windows, so its boxes, whichever kind the program uses
// (dialogs, or a recording in tests), are handed over.
#pragma once

#include "platform/message_box.h"
#include "platform/qt_gui_thread_call.h"

namespace krv {

class QtGuiThreadMessageBox : public MessageBox {
public:
    // Create on the GUI thread; shown must outlive this object.
    explicit QtGuiThreadMessageBox(MessageBox& shown) : shown_(shown) {}

    // Each call waits until the GUI thread has dealt with the box, so the
    // boxes keep their order and a Yes/No answer comes back to the caller.
    void ok(const std::string& title, const std::string& text) override {
        guiThread_.run([&] { shown_.ok(title, text); });
    }
    bool yesNo(const std::string& title, const std::string& text) override {
        bool answer = false;
        guiThread_.run([&] { answer = shown_.yesNo(title, text); });
        return answer;
    }
    void beep() override {
        guiThread_.run([&] { shown_.beep(); });
    }

private:
    MessageBox& shown_;
    QtGuiThreadCall guiThread_;
};

}  // namespace krv

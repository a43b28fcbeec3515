// FormWeb, "Basic Web Browsing": a small browser beside the main window that
// shows an event's crosstable page. It opens crosstableAddress when it is
// created and unloads when closed, so the next tournament click creates it
// anew on the new address.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "web/qt_browser.h"
#include "web/web_browsing.h"

class QComboBox;
class QPushButton;
class QWebEngineView;

namespace krv {

class KrvSession;

class FormWeb : public QWidget {
    Q_OBJECT
public:
    // Builds the window and opens the start address; it is shown by the
    // caller. The window deletes itself when closed.
    explicit FormWeb(KrvSession& session, QWidget* parent = nullptr);
    ~FormWeb() override;

    QWebEngineView* WebBrowser1() const { return WebBrowser1_; }
    QComboBox* cboAddress() const { return cboAddress_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* addButton(QWidget* row, const char* name, const char* caption, void (WebBrowsing::*handler)());
    void Form_Resize();
    int pixels(int twips) const;
    int twips(int pixels) const;

    QWidget* buttonRow_ = nullptr;
    QComboBox* cboAddress_ = nullptr;
    QWebEngineView* WebBrowser1_ = nullptr;
    std::unique_ptr<QtBrowser> browser_;
    std::unique_ptr<WebBrowsing> web_;
};

// Settings the browser engine takes only before the QApplication exists:
// shared OpenGL contexts, and no sandbox when the program runs as root (the
// engine refuses to start as root with it). Values already set win.
void prepareBrowserEngine();

// Shows the program's one web window modeless, creating it when there is
// none (which opens crosstableAddress). An open window is only brought to
// the front: its page stays until "Return to Start".
FormWeb* showFormWeb(KrvSession& session, QPointer<FormWeb>& instance, QWidget* parent = nullptr);

}  // namespace krv

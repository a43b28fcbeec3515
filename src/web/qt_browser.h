// The browser control of the web window: the page display of Qt WebEngine
// behind the Browser interface.
#pragma once

#include "platform/browser.h"
#include "web/web_browsing.h"

class QWebEngineView;

namespace krv {

class QtBrowser : public Browser {
public:
    QtBrowser(QWebEngineView& view, BrowserPages pages) : view_(view), pages_(std::move(pages)) {}

    // Takes the address as typed in a browser's address bar: a missing
    // scheme is supplied. False for an address that names no page.
    bool navigate(const std::string& address) override;
    bool back() override;
    bool forward() override;
    bool home() override;
    bool search() override;
    void reload() override;
    void stop() override;

private:
    QWebEngineView& view_;
    BrowserPages pages_;
};

}  // namespace krv

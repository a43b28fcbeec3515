#include "web/qt_browser.h"

#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "platform/qt_text.h"

namespace krv {

bool QtBrowser::navigate(const std::string& address) {
    // Addresses are 8-bit text: one byte, one character.
    QString text = fromCp1252(address).trimmed();
    // An address with a scheme is taken as written: guessing would turn a
    // broken one like "http://[::1" into a request for some other host.
    QUrl url = text.contains(QLatin1String("://")) ? QUrl(text, QUrl::StrictMode) : QUrl::fromUserInput(text);
    if (!url.isValid() || url.isEmpty()) return false;
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
        if (url.host().isEmpty()) return false;
    }
    view_.load(url);
    return true;
}

bool QtBrowser::back() {
    if (!view_.history()->canGoBack()) return false;
    view_.back();
    return true;
}

bool QtBrowser::forward() {
    if (!view_.history()->canGoForward()) return false;
    view_.forward();
    return true;
}

bool QtBrowser::home() { return navigate(pages_.home); }
bool QtBrowser::search() { return navigate(pages_.search); }
void QtBrowser::reload() { view_.reload(); }
void QtBrowser::stop() { view_.stop(); }

}  // namespace krv

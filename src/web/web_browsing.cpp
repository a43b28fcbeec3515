#include "web/web_browsing.h"

#include "platform/text.h"
#include "session/session.h"

namespace krv {

namespace {

// A blank address would only blank the page; the box and the start address
// ignore it the way Back and Forward ignore a missing page.
bool isBlank(const std::string& address) { return trimBlanks(address).empty(); }

}  // namespace

BrowserPages readBrowserPages(const KrvSession& session) {
    BrowserPages pages{session.baseUrl(), ""};
    if (auto lines = readFileLines(session.store().root + "/" + kBrowserSettingsFileName)) {
        for (const auto& line : *lines) {
            auto equals = line.find('=');
            if (equals == std::string::npos) continue;
            std::string key = trimBlanks(line.substr(0, equals));
            std::string value = trimBlanks(line.substr(equals + 1));
            if (value.empty()) continue;
            if (key == "home") pages.home = value;
            if (key == "search") pages.search = value;
        }
    }
    if (pages.search.empty()) pages.search = pages.home;
    return pages;
}

std::optional<BrowserPlacement> browserPlacement(int innerWidthTwips, int innerHeightTwips) {
    if (innerHeightTwips < kBrowserTopTwips || innerWidthTwips < 0) return std::nullopt;
    return BrowserPlacement{0, kBrowserTopTwips, innerWidthTwips, innerHeightTwips - kBrowserTopTwips};
}

void WebBrowsing::Form_Load() {
    if (loaded_) return;
    loaded_ = true;
    openStartAddress();
}

void WebBrowsing::cmdReturn_Click() { openStartAddress(); }

// Without an earlier or later page there is nothing to do.
void WebBrowsing::cmdBack_Click() { browser_.back(); }
void WebBrowsing::cmdForward_Click() { browser_.forward(); }

void WebBrowsing::CmdHome_Click() { browser_.home(); }
void WebBrowsing::cmdrefresh_Click() { browser_.reload(); }
void WebBrowsing::cmdSearch_Click() { browser_.search(); }
void WebBrowsing::cmdStop_Click() { browser_.stop(); }

void WebBrowsing::cmdGo_Click() { openAddressBox(); }
void WebBrowsing::cboAddress_Click() { openAddressBox(); }

int WebBrowsing::cboAddress_KeyPress(int keyAscii) {
    if (keyAscii == kEnterKey) cboAddress_Click();
    return keyAscii;
}

// The start address is read afresh each time: a tournament clicked while the
// window is open changes it, and "Return to Start" goes to the new one.
void WebBrowsing::openStartAddress() {
    const std::string& address = session_.state.crosstableAddress;
    if (!isBlank(address)) browser_.navigate(address);
}

// A malformed address is refused by the browser and left at that.
void WebBrowsing::openAddressBox() {
    if (!isBlank(cboAddress)) browser_.navigate(cboAddress);
}

}  // namespace krv

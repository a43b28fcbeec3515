// The web window's behaviour without the window: what each button and the
// address box do to the browser control, where the control goes when the
// window is resized, and which pages serve as the control's home and search
// pages. The window forwards its events here; the tests drive it with a
// recording browser.
#pragma once

#include <optional>
#include <string>

#include "platform/browser.h"

namespace krv {

class KrvSession;

// The browser's settings file in the store root: lines "home=ADDRESS" and
// "search=ADDRESS"; other lines and empty values are ignored.
inline constexpr const char* kBrowserSettingsFileName = "browser.txt";

struct BrowserPages {
    std::string home;
    std::string search;
};

// The home page is the rating service's base address and the search page
// is the home page, unless the store's browser settings file names others.
BrowserPages readBrowserPages(const KrvSession& session);

// Where the browser control sits inside the window, in twips.
struct BrowserPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The button row takes the top of the window; the browser fills the rest.
inline constexpr int kBrowserTopTwips = 840;

// nullopt when the window is too short (for example minimised) to hold the
// browser below the buttons: the control then keeps its place.
std::optional<BrowserPlacement> browserPlacement(int innerWidthTwips, int innerHeightTwips);

inline constexpr int kEnterKey = 13;

class WebBrowsing {
public:
    WebBrowsing(const KrvSession& session, Browser& browser) : session_(session), browser_(browser) {}

    // The text in the address box. The browser never writes to it: it
    // keeps what the user typed whatever page is shown.
    std::string cboAddress;

    // Opens the start address; later calls do nothing, so that showing the
    // window again keeps the page the user is on.
    void Form_Load();
    void cmdReturn_Click();
    void cmdBack_Click();
    void cmdForward_Click();
    void CmdHome_Click();
    void cmdrefresh_Click();
    void cmdSearch_Click();
    void cmdStop_Click();
    void cmdGo_Click();
    void cboAddress_Click();
    // Enter opens the address in the box; returns the key to pass on,
    // which is always the key itself.
    int cboAddress_KeyPress(int keyAscii);

private:
    void openStartAddress();
    void openAddressBox();

    const KrvSession& session_;
    Browser& browser_;
    bool loaded_ = false;
};

}  // namespace krv

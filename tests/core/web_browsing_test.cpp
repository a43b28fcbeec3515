#include <gtest/gtest.h>

#include "platform/browser.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "support/temp_store.h"
#include "web/web_browsing.h"

using namespace krv;
using Calls = std::vector<std::string>;

namespace {

const std::string kFirstEvent = "http://127.0.0.1:8080/krv/XtblMain.php?201901060012.0-12345678";
const std::string kSecondEvent = "http://127.0.0.1:8080/krv/XtblMain.php?201805200042.0-12345678";

struct WebFixture : ::testing::Test {
    krv::testing::TempDir dir;
    RecordingMessageBox boxes;
    krv::testing::FakeDownloader offline;
    KrvSession session{SessionOptions{dir.str(), "http://127.0.0.1:8080/"}, boxes, offline};
    RecordingBrowser browser;
    WebBrowsing web{session, browser};

    void loadOn(const std::string& address) {
        session.state.crosstableAddress = address;
        web.Form_Load();
    }
};

}  // namespace

TEST_F(WebFixture, StartAddressIsOpenedOnLoadOnlyAndAgainOnReturnToStart) {
    loadOn(kFirstEvent);
    web.Form_Load();       // the window shown again
    loadOn(kSecondEvent);  // a second tournament clicked while the window is open
    web.cmdReturn_Click();
    session.state.crosstableAddress = "  ";  // a blank start address opens nothing
    web.cmdReturn_Click();
    EXPECT_EQ(browser.calls, (Calls{"navigate " + kFirstEvent, "navigate " + kSecondEvent}));
}

TEST_F(WebFixture, EnterOrGoOpensTheAddressBoxUnlessItIsBlank) {
    loadOn(kFirstEvent);
    web.cboAddress = kSecondEvent;
    EXPECT_EQ(web.cboAddress_KeyPress('a'), 'a');
    EXPECT_EQ(web.cboAddress_KeyPress(kEnterKey), kEnterKey);
    web.cmdGo_Click();
    for (const char* typed : {"", "   ", "\t"}) {
        web.cboAddress = typed;
        web.cmdGo_Click();
        web.cboAddress_KeyPress(kEnterKey);
    }
    EXPECT_EQ(browser.calls,
              (Calls{"navigate " + kFirstEvent, "navigate " + kSecondEvent, "navigate " + kSecondEvent}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WebFixture, HomeAndSearchPagesDefaultToTheRatingServiceUnlessSet) {
    for (const auto& [settings, home, search] : std::vector<std::array<std::string, 3>>{
             {"", "http://127.0.0.1:8080", "http://127.0.0.1:8080"},
             {"# pages\r\nsearch = http://127.0.0.1:9/find?q= \r\nhome=\r\nother=x\r\n", "http://127.0.0.1:8080",
              "http://127.0.0.1:9/find?q="},
             {"home=http://127.0.0.1:9/start\n", "http://127.0.0.1:9/start", "http://127.0.0.1:9/start"}}) {
        krv::testing::writeBytes(dir / kBrowserSettingsFileName, settings);
        const BrowserPages pages = readBrowserPages(session);
        EXPECT_EQ(pages.home, home) << settings;
        EXPECT_EQ(pages.search, search) << settings;
    }
}

TEST(BrowserPlacement, FillsTheWindowBelowTheButtonRow) {
    const auto placed = browserPlacement(12000, 9000);
    ASSERT_TRUE(placed);
    EXPECT_EQ((std::array{placed->left, placed->top, placed->width, placed->height}),
              (std::array{0, 840, 12000, 8160}));
    EXPECT_EQ(browserPlacement(12000, 840)->height, 0);
    EXPECT_FALSE(browserPlacement(12000, 839));  // too short: the browser keeps its place
}

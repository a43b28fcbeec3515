#include <gtest/gtest.h>

#include <memory>

#include "platform/browser.h"
#include "shell/session.h"
#include "support/temp_store.h"
#include "web/web_browsing.h"

using namespace krv;
using krv::testing::TempDir;
using krv::testing::writeBytes;

namespace {

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

const std::string kFirstEvent = "http://127.0.0.1:8080/krv/XtblMain.php?201901060012.0-12345678";
const std::string kSecondEvent = "http://127.0.0.1:8080/krv/XtblMain.php?201805200042.0-12345678";

struct WebFixture : ::testing::Test {
    TempDir dir;
    RecordingMessageBox boxes;
    NoDownloads downloads;
    KrvSession session{SessionOptions{dir.str(), "http://127.0.0.1:8080/"}, boxes, downloads};
    RecordingBrowser browser;
    WebBrowsing web{session, browser};

    void loadOn(const std::string& address) {
        session.state.crosstableAddress = address;
        web.Form_Load();
    }
    std::string settingsFile() const { return dir / kBrowserSettingsFileName; }
};

}  // namespace

TEST_F(WebFixture, StartAddressIsOpenedOnLoadOnlyAndAgainOnReturnToStart) {
    loadOn(kFirstEvent);
    web.Form_Load();  // the window shown again
    EXPECT_EQ(browser.calls, std::vector<std::string>{"navigate " + kFirstEvent});

    // A second tournament clicked while the window is open.
    session.state.crosstableAddress = kSecondEvent;
    web.Form_Load();
    EXPECT_EQ(browser.currentPage(), kFirstEvent);

    web.cmdReturn_Click();
    EXPECT_EQ(browser.currentPage(), kSecondEvent);
    EXPECT_EQ(browser.calls.size(), 2u);
}

TEST_F(WebFixture, BlankStartAddressOpensNothing) {
    loadOn("  ");
    web.cmdReturn_Click();
    EXPECT_TRUE(browser.calls.empty());
}

TEST_F(WebFixture, BackAndForwardWithoutHistoryDoNothing) {
    web.cmdBack_Click();
    web.cmdForward_Click();
    loadOn(kFirstEvent);
    web.cmdBack_Click();
    web.cmdForward_Click();
    EXPECT_EQ(browser.currentPage(), kFirstEvent);
    EXPECT_EQ(browser.historyLength(), 1u);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WebFixture, BackAndForwardStepThroughTheHistory) {
    loadOn(kFirstEvent);
    web.CmdHome_Click();
    EXPECT_EQ(browser.currentPage(), "home:");
    web.cmdBack_Click();
    EXPECT_EQ(browser.currentPage(), kFirstEvent);
    web.cmdForward_Click();
    EXPECT_EQ(browser.currentPage(), "home:");
    web.cmdSearch_Click();
    EXPECT_EQ(browser.currentPage(), "search:");
}

TEST_F(WebFixture, EnterInTheAddressBoxOpensItLikeGo) {
    loadOn(kFirstEvent);
    web.cboAddress = kSecondEvent;
    EXPECT_EQ(web.cboAddress_KeyPress('a'), 'a');
    EXPECT_EQ(browser.currentPage(), kFirstEvent);

    EXPECT_EQ(web.cboAddress_KeyPress(kEnterKey), kEnterKey);
    EXPECT_EQ(browser.currentPage(), kSecondEvent);

    web.cmdReturn_Click();
    web.cmdGo_Click();
    EXPECT_EQ(browser.currentPage(), kSecondEvent);
    // Navigation never writes the page into the box.
    EXPECT_EQ(web.cboAddress, kSecondEvent);
    EXPECT_EQ(browser.calls.back(), "navigate " + kSecondEvent);
}

TEST_F(WebFixture, BlankOrMalformedAddressInTheBoxIsIgnored) {
    loadOn(kFirstEvent);
    for (const char* typed : {"", "   ", "\t"}) {
        web.cboAddress = typed;
        web.cmdGo_Click();
        web.cboAddress_KeyPress(kEnterKey);
    }
    EXPECT_EQ(browser.calls.size(), 1u);

    browser.rejected.insert("http://[::1");
    web.cboAddress = "http://[::1";
    web.cmdGo_Click();
    EXPECT_EQ(browser.currentPage(), kFirstEvent);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WebFixture, HomeAndSearchPagesDefaultToTheRatingServiceUnlessSet) {
    auto pages = readBrowserPages(session);
    EXPECT_EQ(pages.home, "http://127.0.0.1:8080");
    EXPECT_EQ(pages.search, "http://127.0.0.1:8080");

    writeBytes(settingsFile(), "# pages\r\nsearch = http://127.0.0.1:9/find?q= \r\nhome=\r\nother=x\r\n");
    pages = readBrowserPages(session);
    EXPECT_EQ(pages.home, "http://127.0.0.1:8080");
    EXPECT_EQ(pages.search, "http://127.0.0.1:9/find?q=");

    writeBytes(settingsFile(), "home=http://127.0.0.1:9/start\n");
    pages = readBrowserPages(session);
    EXPECT_EQ(pages.home, "http://127.0.0.1:9/start");
    EXPECT_EQ(pages.search, "http://127.0.0.1:9/start");
}

TEST(BrowserPlacement, FillsTheWindowBelowTheButtonRow) {
    auto placed = browserPlacement(12000, 9000);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->left, 0);
    EXPECT_EQ(placed->top, 840);
    EXPECT_EQ(placed->width, 12000);
    EXPECT_EQ(placed->height, 8160);

    placed = browserPlacement(12000, 840);
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->height, 0);

    EXPECT_FALSE(browserPlacement(12000, 839));
    EXPECT_FALSE(browserPlacement(12000, 0));
}

// The web window with the real browser engine against the sample rating
// service, offscreen.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineView>
#include <QtTest>

#include "platform/curl_download.h"
#include "platform/text.h"
#include "session/session.h"
#include "support/fake_downloader.h"
#include "web/web_window.h"
#include "web_test_environment.h"

using namespace krv;

namespace {

// Two events of the bundled sample data, as a tournament click addresses them.
constexpr const char* kFirstKey = "201907140021.0-30302490";
constexpr const char* kFirstTitle = "GREAT LAKES SUMMER SWISS";
constexpr const char* kSecondKey = "201810210031.0-30302490";
constexpr const char* kSecondTitle = "HARVEST SWISS";

constexpr int kLoadTimeoutMs = 30000;
// How long a page that should not load gets to prove it does not.
constexpr int kQuietMs = 700;

}  // namespace

class WebWindowTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { krv::testing::prepareWebEngineForTests(); }

private:
    QString crosstable(const char* key) const { return QString::fromStdString(baseUrl_) + "/krv/XtblMain.php?" + key; }
    // A tournament click: the address is set, then the window is shown.
    FormWeb* clickTournament(const char* key) {
        session_->state.crosstableAddress = crosstable(key).toStdString();
        return showFormWeb(*session_, window_);
    }
    // Waits in the event loop until the page's title holds the text.
    bool shows(const char* title) {
        QSignalSpy changed(window_->WebBrowser1(), &QWebEngineView::titleChanged);
        while (!window_->WebBrowser1()->title().contains(title))
            if (!changed.wait(kLoadTimeoutMs)) return false;
        return true;
    }
    void click(const char* name) { QTest::mouseClick(window_->findChild<QPushButton*>(name), Qt::LeftButton); }
    QString pageUrl() const { return window_->WebBrowser1()->url().toString(); }
    // How many page requests the service has answered since the last reset
    // whose path and query begin with path.
    int requestsFor(const QString& path) {
        const std::string file = store_.filePath("requests.txt").toStdString();
        if (!CurlDownloader().download(baseUrl_ + "/admin/requests", file).ok) return -1;
        int found = 0;
        for (const auto& line : readFileLines(file).value_or(std::vector<std::string>{}))
            found += QString::fromStdString(line).startsWith(path);
        return found;
    }

    QProcess service_;
    std::string baseUrl_;
    QTemporaryDir store_;
    RecordingMessageBox boxes_;
    krv::testing::FakeDownloader offline_;
    std::unique_ptr<KrvSession> session_;
    QPointer<FormWeb> window_;

private slots:
    void initTestCase() {
        QVERIFY(store_.isValid());
        service_.start(KRV_SAMPLE_SERVICE, {"--port", "0"});
        QVERIFY2(service_.waitForStarted(), "the sample rating service did not start");
        QVERIFY(service_.waitForReadyRead(10000));
        const QString banner = QString::fromLatin1(service_.readLine()).trimmed();
        QVERIFY2(banner.startsWith("listening on http://127.0.0.1:"), qPrintable(banner));
        baseUrl_ = banner.mid(QString("listening on ").size()).toStdString();
        session_ =
            std::make_unique<KrvSession>(SessionOptions{store_.path().toStdString(), baseUrl_}, boxes_, offline_);
    }
    void cleanupTestCase() {
        service_.terminate();
        service_.waitForFinished(5000);
    }
    void init() {
        CurlDownloader().download(baseUrl_ + "/admin/reset", store_.filePath("reset.txt").toStdString());
        QFile::remove(store_.filePath(kBrowserSettingsFileName));
    }
    void cleanup() {
        if (window_) window_->close();
        QTRY_VERIFY(window_.isNull());
    }

    void theStartPageLoadsOnceAndNothingElseReloadsIt() {
        FormWeb* window = clickTournament(kFirstKey);
        QVERIFY(shows(kFirstTitle));
        QCOMPARE(pageUrl(), crosstable(kFirstKey));
        QCOMPARE(window->cboAddress()->currentText(), QString());  // the start address stays out of the box

        // Showing it again, Back and Forward on the first page, and blank or
        // malformed addresses load nothing and show no message.
        QSignalSpy started(window->WebBrowser1(), &QWebEngineView::loadStarted);
        showFormWeb(*session_, window_);
        click("cmdBack");
        click("cmdForward");
        for (const char* typed : {"   ", "http://", "http://[::1", "http:///krv/"}) {
            window->cboAddress()->setEditText(typed);
            QTest::keyClick(window->cboAddress(), Qt::Key_Return);
            click("cmdGo");
        }
        // The browser follows a resize, but keeps its place when the window
        // is too short to hold it below the buttons.
        const int top = 840 * window->logicalDpiY() / 1440;
        window->resize(900, 700);
        QTRY_COMPARE(window->WebBrowser1()->geometry(), QRect(0, top, 900, 700 - top));
        window->resize(600, top - 10);
        QTest::qWait(kQuietMs);
        QCOMPARE(window->WebBrowser1()->geometry(), QRect(0, top, 900, 700 - top));
        QCOMPARE(started.count(), 0);
        QCOMPARE(requestsFor("/krv/XtblMain.php"), 1);
        QCOMPARE(pageUrl(), crosstable(kFirstKey));
        QCOMPARE(window->cboAddress()->count(), 0);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void aSecondClickTheAddressBoxAndTheButtonsOpenPages() {
        QFile settings(store_.filePath(kBrowserSettingsFileName));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("search=" + crosstable(kFirstKey).toLatin1() + "\r\n");
        settings.close();
        FormWeb* window = clickTournament(kFirstKey);
        QVERIFY(shows(kFirstTitle));
        // A second tournament clicked while the window is open (here hidden
        // behind the main window) leaves the page until "Return to Start".
        window->hide();
        QCOMPARE(clickTournament(kSecondKey), window);
        QVERIFY(window->isVisible());
        QTest::qWait(kQuietMs);
        QVERIFY(window->WebBrowser1()->title().contains(kFirstTitle));
        QCOMPARE(requestsFor(QString("/krv/XtblMain.php?") + kSecondKey), 0);
        click("cmdReturn");
        QVERIFY(shows(kSecondTitle));

        // Enter opens what was typed; the box keeps it and its list stays
        // empty. The keys go where the window system sends them: to the box,
        // which has the focus and hands them to its line edit.
        const QString typed = crosstable(kFirstKey);
        QTest::keyClicks(window->cboAddress(), typed);
        QTest::keyClick(window->cboAddress(), Qt::Key_Return);
        QVERIFY(shows(kFirstTitle));
        click("cmdBack");
        QVERIFY(shows(kSecondTitle));
        QCOMPARE(window->cboAddress()->currentText(), typed);
        click("cmdGo");
        QVERIFY(shows(kFirstTitle));
        QCOMPARE(window->cboAddress()->count(), 0);
        // Home is the service's address, Search the one the settings name.
        click("CmdHome");
        QTRY_COMPARE_WITH_TIMEOUT(pageUrl(), QString::fromStdString(baseUrl_ + "/"), kLoadTimeoutMs);
        click("cmdSearch");
        QVERIFY(shows(kFirstTitle));

        // Close deletes the window: the next click opens its own address.
        click("cmdclose");
        QTRY_VERIFY(window_.isNull());
        FormWeb* next = clickTournament(kSecondKey);
        QVERIFY(next->cboAddress()->currentText().isEmpty());
        QVERIFY(shows(kSecondTitle));
        // Escape and Ctrl+W close it as well, from the active window.
        for (auto [key, modifiers] :
             {std::pair{Qt::Key_Escape, Qt::NoModifier}, std::pair{Qt::Key_W, Qt::ControlModifier}}) {
            FormWeb* open = clickTournament(kSecondKey);
            QVERIFY(QTest::qWaitForWindowActive(open));
            open->cboAddress()->setFocus();
            QTest::keyClick(open->cboAddress(), key, modifiers);
            QTRY_VERIFY(window_.isNull());
        }
    }
};

QTEST_MAIN(WebWindowTest)
#include "web_window_test.moc"

// The web window with the real browser engine against the sample rating
// service, offscreen.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

#include "platform/curl_download.h"
#include "platform/text.h"
#include "shell/session.h"
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

class NoDownloads : public Downloader {
public:
    DownloadResult download(const std::string&, const std::string&) override { return {false, 0, "offline"}; }
};

}  // namespace

class WebWindowTest : public QObject {
    Q_OBJECT
public:
    static void initMain() { krv::testing::prepareWebEngineForTests(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void loadOpensTheStartAddressOnce();
    void backOnTheFirstPageDoesNothing();
    void enterInTheAddressBoxOpensItAndKeepsTheTypedText();
    void blankOrMalformedAddressIsIgnored();
    void secondTournamentClickKeepsThePageUntilReturnToStart();
    void closeUnloadsAndTheNextClickOpensTheNewAddress();
    void browserFollowsResizesAndSkipsTooSmallWindows();
    void homeAndSearchOpenTheConfiguredPages();

private:
    std::string crosstable(const char* key) const { return baseUrl_ + "/krv/XtblMain.php?" + key; }
    // A tournament click: the address is set, then the window is shown.
    FormWeb* clickTournament(const char* key);
    void waitForLoad(FormWeb* window);
    QPushButton* button(const char* name) const;
    QStringList requestsFor(const QString& path);
    QString pageTitle() const { return window_->WebBrowser1()->title(); }
    QString pageUrl() const { return window_->WebBrowser1()->url().toString(); }

    QProcess service_;
    std::string baseUrl_;
    QTemporaryDir store_;
    RecordingMessageBox boxes_;
    NoDownloads noDownloads_;
    std::unique_ptr<KrvSession> session_;
    QPointer<FormWeb> window_;
};

void WebWindowTest::initTestCase() {
    QVERIFY(store_.isValid());
    service_.start(KRV_SAMPLE_SERVICE, {"--port", "0"});
    QVERIFY2(service_.waitForStarted(), "the sample rating service did not start");
    QVERIFY(service_.waitForReadyRead(10000));
    QString banner = QString::fromLatin1(service_.readLine()).trimmed();
    QVERIFY2(banner.startsWith("listening on http://127.0.0.1:"), qPrintable(banner));
    baseUrl_ = banner.mid(QString("listening on ").size()).toStdString();
    session_ = std::make_unique<KrvSession>(SessionOptions{store_.path().toStdString(), baseUrl_}, boxes_,
                                            noDownloads_);
}

void WebWindowTest::cleanupTestCase() {
    service_.terminate();
    service_.waitForFinished(5000);
}

void WebWindowTest::init() {
    CurlDownloader curl;
    curl.download(baseUrl_ + "/admin/reset", store_.filePath("reset.txt").toStdString());
    QFile::remove(store_.filePath(kBrowserSettingsFileName));
}

void WebWindowTest::cleanup() {
    if (window_) window_->close();
    QTRY_VERIFY(window_.isNull());
}

FormWeb* WebWindowTest::clickTournament(const char* key) {
    session_->state.crosstableAddress = crosstable(key);
    return showFormWeb(*session_, window_);
}

void WebWindowTest::waitForLoad(FormWeb* window) {
    QSignalSpy loaded(window->WebBrowser1(), &QWebEngineView::loadFinished);
    QVERIFY(loaded.wait(kLoadTimeoutMs));
}

QPushButton* WebWindowTest::button(const char* name) const {
    auto* found = window_->findChild<QPushButton*>(name);
    if (!found) qFatal("no button %s", name);
    return found;
}

// The page requests the service has answered since the last reset whose
// path and query begin with path.
QStringList WebWindowTest::requestsFor(const QString& path) {
    CurlDownloader curl;
    std::string file = store_.filePath("requests.txt").toStdString();
    QStringList found;
    if (!curl.download(baseUrl_ + "/admin/requests", file).ok) return found;
    for (const auto& line : readFileLines(file).value_or(std::vector<std::string>{}))
        if (QString::fromStdString(line).startsWith(path)) found << QString::fromStdString(line);
    return found;
}

void WebWindowTest::loadOpensTheStartAddressOnce() {
    FormWeb* window = clickTournament(kFirstKey);
    QSignalSpy loaded(window->WebBrowser1(), &QWebEngineView::loadFinished);
    QCOMPARE(window->windowTitle(), QString("Basic Web Browsing"));
    QVERIFY(window->isVisible());
    QVERIFY(loaded.wait(kLoadTimeoutMs));
    QVERIFY(loaded.first().first().toBool());
    QTRY_VERIFY(pageTitle().contains(kFirstTitle));
    QCOMPARE(pageUrl(), QString::fromStdString(crosstable(kFirstKey)));

    // Showing it again and resizing it load nothing more.
    showFormWeb(*session_, window_);
    window->resize(window->width() + 40, window->height() + 30);
    QTest::qWait(kQuietMs);
    QCOMPARE(requestsFor("/krv/XtblMain.php").size(), 1);
    QCOMPARE(loaded.count(), 1);

    // The start address is not written into the address box.
    QCOMPARE(window->cboAddress()->currentText(), QString());
    QCOMPARE(window->cboAddress()->count(), 0);
}

void WebWindowTest::backOnTheFirstPageDoesNothing() {
    FormWeb* window = clickTournament(kFirstKey);
    waitForLoad(window);
    QSignalSpy started(window->WebBrowser1(), &QWebEngineView::loadStarted);
    QTest::mouseClick(button("cmdBack"), Qt::LeftButton);
    QTest::mouseClick(button("cmdForward"), Qt::LeftButton);
    QTest::qWait(kQuietMs);
    QCOMPARE(started.count(), 0);
    QCOMPARE(pageUrl(), QString::fromStdString(crosstable(kFirstKey)));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window_);
}

void WebWindowTest::enterInTheAddressBoxOpensItAndKeepsTheTypedText() {
    FormWeb* window = clickTournament(kFirstKey);
    waitForLoad(window);
    QString typed = QString::fromStdString(crosstable(kSecondKey));
    QTest::keyClicks(window->cboAddress()->lineEdit(), typed);
    QSignalSpy loaded(window->WebBrowser1(), &QWebEngineView::loadFinished);
    QTest::keyClick(window->cboAddress()->lineEdit(), Qt::Key_Return);
    QVERIFY(loaded.wait(kLoadTimeoutMs));
    QTRY_VERIFY(pageTitle().contains(kSecondTitle));
    QCOMPARE(requestsFor(QString("/krv/XtblMain.php?") + kSecondKey).size(), 1);

    // Going back shows the first page; the box still holds what was typed
    // and its list stays empty.
    QTest::mouseClick(button("cmdBack"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pageTitle().contains(kFirstTitle), kLoadTimeoutMs);
    QCOMPARE(window->cboAddress()->currentText(), typed);
    QCOMPARE(window->cboAddress()->count(), 0);

    // Go does the same as Enter.
    QTest::mouseClick(button("cmdGo"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pageTitle().contains(kSecondTitle), kLoadTimeoutMs);
    QCOMPARE(window->cboAddress()->count(), 0);
}

void WebWindowTest::blankOrMalformedAddressIsIgnored() {
    FormWeb* window = clickTournament(kFirstKey);
    waitForLoad(window);
    QSignalSpy started(window->WebBrowser1(), &QWebEngineView::loadStarted);
    for (const char* typed : {"   ", "http://", "http://[::1", "http:///krv/"}) {
        window->cboAddress()->setEditText(typed);
        QTest::keyClick(window->cboAddress()->lineEdit(), Qt::Key_Return);
        QTest::mouseClick(button("cmdGo"), Qt::LeftButton);
        QTest::qWait(kQuietMs);
        QVERIFY2(started.isEmpty(), typed);
    }
    QCOMPARE(pageUrl(), QString::fromStdString(crosstable(kFirstKey)));
}

void WebWindowTest::secondTournamentClickKeepsThePageUntilReturnToStart() {
    FormWeb* first = clickTournament(kFirstKey);
    waitForLoad(first);
    first->hide();  // e.g. behind the main window
    FormWeb* again = clickTournament(kSecondKey);
    QCOMPARE(again, first);
    QVERIFY(again->isVisible());
    QTest::qWait(kQuietMs);
    QVERIFY(pageTitle().contains(kFirstTitle));
    QCOMPARE(requestsFor(QString("/krv/XtblMain.php?") + kSecondKey).size(), 0);

    QTest::mouseClick(button("cmdReturn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pageTitle().contains(kSecondTitle), kLoadTimeoutMs);
    QCOMPARE(pageUrl(), QString::fromStdString(crosstable(kSecondKey)));
}

void WebWindowTest::closeUnloadsAndTheNextClickOpensTheNewAddress() {
    FormWeb* first = clickTournament(kFirstKey);
    waitForLoad(first);
    QTest::mouseClick(button("cmdclose"), Qt::LeftButton);
    QTRY_VERIFY(window_.isNull());

    FormWeb* next = clickTournament(kSecondKey);
    QVERIFY(next->cboAddress()->currentText().isEmpty());
    waitForLoad(next);
    QTRY_VERIFY(pageTitle().contains(kSecondTitle));
}

void WebWindowTest::browserFollowsResizesAndSkipsTooSmallWindows() {
    FormWeb* window = clickTournament(kFirstKey);
    waitForLoad(window);
    const int top = 840 * window->logicalDpiY() / 1440;
    window->resize(900, 700);
    QTRY_COMPARE(window->WebBrowser1()->geometry(), QRect(0, top, 900, 700 - top));
    window->resize(1000, 500);
    QTRY_COMPARE(window->WebBrowser1()->geometry(), QRect(0, top, 1000, 500 - top));

    // Too short for the browser below the buttons: it keeps its place.
    window->resize(600, top - 10);
    QTest::qWait(100);
    QCOMPARE(window->WebBrowser1()->geometry(), QRect(0, top, 1000, 500 - top));
    QCOMPARE(requestsFor("/krv/XtblMain.php").size(), 1);
}

void WebWindowTest::homeAndSearchOpenTheConfiguredPages() {
    QFile settings(store_.filePath(kBrowserSettingsFileName));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(QByteArray("search=") + crosstable(kSecondKey).c_str() + "\r\n");
    settings.close();

    FormWeb* window = clickTournament(kFirstKey);
    waitForLoad(window);
    QTest::mouseClick(button("cmdSearch"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pageTitle().contains(kSecondTitle), kLoadTimeoutMs);

    QTest::mouseClick(button("CmdHome"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->WebBrowser1()->url(), QUrl(QString::fromStdString(baseUrl_ + "/")),
                              kLoadTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(requestsFor("/").contains("/"), kLoadTimeoutMs);

    // Refresh asks the service again for the page shown.
    QTest::mouseClick(button("cmdBack"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(pageTitle().contains(kSecondTitle), kLoadTimeoutMs);
    const auto before = requestsFor(QString("/krv/XtblMain.php?") + kSecondKey).size();
    QTest::mouseClick(button("cmdrefresh"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(requestsFor(QString("/krv/XtblMain.php?") + kSecondKey).size(), before + 1,
                              kLoadTimeoutMs);
    QTest::mouseClick(button("cmdStop"), Qt::LeftButton);
    QVERIFY(window_);
}

QTEST_MAIN(WebWindowTest)
#include "web_window_test.moc"

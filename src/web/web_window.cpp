#include "web/web_window.h"

#include <unistd.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEngineView>
#include <algorithm>

#include "platform/qt_text.h"
#include "platform/qt_window_keys.h"
#include "session/session.h"

namespace krv {

namespace {

constexpr const char* kCaption = "Basic Web Browsing";
constexpr int kTwipsPerInch = 1440;
constexpr int kRowTopTwips = 120;
constexpr int kRowHeightTwips = 495;
constexpr int kRowLeftTwips = 240;
constexpr int kAddressWidthTwips = 4335;

}  // namespace

FormWeb::FormWeb(KrvSession& session, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("FormWeb");
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    WebBrowser1_ = new QWebEngineView(this);
    WebBrowser1_->setObjectName("WebBrowser1");
    browser_ = std::make_unique<QtBrowser>(*WebBrowser1_, readBrowserPages(session));
    web_ = std::make_unique<WebBrowsing>(session, *browser_);

    // One row of buttons in a fixed order; the row layout sizes them to
    // their captions in whatever font the desktop uses.
    buttonRow_ = new QWidget(this);
    buttonRow_->setObjectName("buttonRow");
    auto* row = new QHBoxLayout(buttonRow_);
    row->setContentsMargins(pixels(kRowLeftTwips), 0, pixels(kRowLeftTwips), 0);
    addButton(buttonRow_, "cmdBack", "Back", &WebBrowsing::cmdBack_Click);
    addButton(buttonRow_, "cmdForward", "Forward", &WebBrowsing::cmdForward_Click);
    addButton(buttonRow_, "CmdHome", "Home", &WebBrowsing::CmdHome_Click);
    addButton(buttonRow_, "cmdReturn", "Return to Start", &WebBrowsing::cmdReturn_Click);
    addButton(buttonRow_, "cmdrefresh", "Refresh", &WebBrowsing::cmdrefresh_Click);
    addButton(buttonRow_, "cmdSearch", "Search", &WebBrowsing::cmdSearch_Click);
    addButton(buttonRow_, "cmdStop", "Stop", &WebBrowsing::cmdStop_Click);

    cboAddress_ = new QComboBox(buttonRow_);
    cboAddress_->setObjectName("cboAddress");
    cboAddress_->setEditable(true);
    // Nothing typed is ever added to the list.
    cboAddress_->setInsertPolicy(QComboBox::NoInsert);
    cboAddress_->setFixedWidth(pixels(kAddressWidthTwips));
    row->addWidget(cboAddress_);
    connect(cboAddress_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { web_->cboAddress = toCp1252(text); });
    connect(cboAddress_, &QComboBox::activated, this, [this](int) { web_->cboAddress_Click(); });
    // The box passes its keys to its line edit directly, past any event
    // filter there; the line edit's own Enter signal sees every Enter.
    connect(cboAddress_->lineEdit(), &QLineEdit::returnPressed, this, [this] { web_->cboAddress_KeyPress(kEnterKey); });

    addButton(buttonRow_, "cmdGo", "Go", &WebBrowsing::cmdGo_Click);
    auto* close = addButton(buttonRow_, "cmdclose", "Close", nullptr);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    row->addStretch(1);

    resize(std::max(buttonRow_->sizeHint().width(), 820), 640);
    pressFocusedButtonsOnReturn(*this);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        clickOnKey(*this, key, close);
    web_->Form_Load();
}

FormWeb::~FormWeb() {
    // The controls go while the handlers they call are still there.
    delete buttonRow_;
    delete WebBrowser1_;
}

QPushButton* FormWeb::addButton(QWidget* row, const char* name, const char* caption, void (WebBrowsing::*handler)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption), row);
    button->setObjectName(name);
    button->setAutoDefault(false);
    row->layout()->addWidget(button);
    if (handler) connect(button, &QPushButton::clicked, this, [this, handler] { (web_.get()->*handler)(); });
    return button;
}

void FormWeb::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void FormWeb::Form_Resize() {
    buttonRow_->setGeometry(0, pixels(kRowTopTwips), width(), pixels(kRowHeightTwips));
    auto placed = browserPlacement(twips(width()), twips(height()));
    if (!placed) return;
    // Width and height come from the window's own pixels: converting them
    // to twips and back could lose a pixel at the edge.
    const int top = pixels(placed->top);
    WebBrowser1_->setGeometry(pixels(placed->left), top, width(), height() - top);
}

int FormWeb::pixels(int twips) const { return twips * logicalDpiY() / kTwipsPerInch; }
int FormWeb::twips(int pixels) const { return pixels * kTwipsPerInch / logicalDpiY(); }

void prepareBrowserEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

FormWeb* showFormWeb(KrvSession& session, QPointer<FormWeb>& instance, QWidget* parent) {
    if (!instance) instance = new FormWeb(session, parent);
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}

}  // namespace krv

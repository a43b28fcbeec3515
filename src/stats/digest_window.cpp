#include "stats/digest_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt_grid_model.h"
#include "platform/qt_text.h"
#include "platform/qt_window_keys.h"
#include "platform/text.h"
#include "session/command_runner.h"
#include "session/session.h"
#include "stats/digest_printout.h"

namespace krv {

namespace {
constexpr const char* kNoDigestYet =
    "No results yet. Choose a member in the main window and press \"Update Individual's Data\", or "
    "\"Analyse Only\" for data already downloaded; the member's digest then appears here.";
}  // namespace

FormDigest::FormDigest(KrvSession& session, CommandRunner& windows) : session_(session), windows_(windows) {
    setObjectName("FormDigest");
    setWindowTitle("KRV Digest View");

    txtResults_ = new QPlainTextEdit;
    txtResults_->setObjectName("txtResults");
    txtResults_->setReadOnly(true);
    txtResults_->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtResults_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtResults_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txtResults_->setFont(mono);
    txtResults_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* lblhighlowrange = new QLabel("Set High/Low Range");
    lblhighlowrange->setObjectName("lblhighlowrange");
    txthighlowrange_ = new QLineEdit;
    txthighlowrange_->setObjectName("txthighlowrange");
    txthighlowrange_->setToolTip("Use to adjust the high/low variance");
    txthighlowrange_->setMaximumWidth(90);
    lblhighlowrange->setBuddy(txthighlowrange_);
    // The range is read by the next analysis straight from the box's state.
    connect(txthighlowrange_, &QLineEdit::textEdited, this,
            [this](const QString& text) { session_.ui.txthighlowrange = toCp1252(text); });

    cmdrefresh_ = new QPushButton("Refresh");
    cmdrefresh_->setObjectName("cmdrefresh");
    cmdrefresh_->setToolTip("Use this when there is no Internet connection for Data that has already been downloaded.");
    connect(cmdrefresh_, &QPushButton::clicked, this, &FormDigest::refreshRequested);

    cmdprintdigest_ = new QPushButton("Print");
    cmdprintdigest_->setObjectName("cmdprintdigest");
    cmdprintdigest_->setToolTip("Print the Digest View with the selected users name as a header.");
    connect(cmdprintdigest_, &QPushButton::clicked, this, [this] { printDigest(); });

    auto* cmdclose = new QPushButton("Close");
    cmdclose->setObjectName("cmdclose");
    connect(cmdclose, &QPushButton::clicked, this, [this] { hide(); });

    auto* controls = new QHBoxLayout;
    controls->addWidget(lblhighlowrange);
    controls->addWidget(txthighlowrange_);
    controls->addWidget(cmdrefresh_);
    controls->addStretch(1);
    controls->addWidget(cmdprintdigest_);
    controls->addWidget(cmdclose);

    emptyHint_ = new QLabel(kNoDigestYet);
    emptyHint_->setObjectName("emptyHint");
    emptyHint_->setWordWrap(true);
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setForegroundRole(QPalette::PlaceholderText);
    emptyHint_->setMargin(24);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(txtResults_, 1);
    layout->addWidget(emptyHint_, 1);
    layout->addLayout(controls);
    resize(860, 640);

    pressFocusedButtonsOnReturn(*this);
    clickOnKey(*this, QKeySequence(Qt::CTRL | Qt::Key_P), cmdprintdigest_);
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        clickOnKey(*this, key, cmdclose);
    refreshFromSession();
}

void FormDigest::refreshFromSession() {
    // A run works on a copy of the session, so this shows, also during a
    // run, the state before it.
    // The text box shows lines; the digest keeps its CR LF pairs.
    const QString text = fromCp1252(replaceAll(session_.ui.txtResults, "\r\n", "\n"));
    if (txtResults_->toPlainText() != text) txtResults_->setPlainText(text);
    const QString range = fromCp1252(session_.ui.txthighlowrange);
    if (txthighlowrange_->text() != range) txthighlowrange_->setText(range);
    txtResults_->setHidden(!session_.ui.isVisible("txtResults"));
    emptyHint_->setHidden(!txtResults_->isHidden() && !text.isEmpty());
}

void FormDigest::setBusy(bool busy) {
    txthighlowrange_->setEnabled(!busy);
    cmdrefresh_->setEnabled(!busy);
    cmdprintdigest_->setEnabled(!busy);
}

void FormDigest::printDigest() {
    windows_.runPrintout("digest.pdf", false, [](KrvSession& s, Printer& p) { krv::printDigest(s, p); });
}

void FormDigest::closeEvent(QCloseEvent* event) {
    // The window lives as long as the program; closing it only hides it.
    event->ignore();
    hide();
}

}  // namespace krv

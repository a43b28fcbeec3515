// The digest window: the digest text, the rating range for the next
// analysis, Refresh (Analyse Only), Print and Close. Closing only hides it,
// so the text and the range stay until the next analysis.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace krv {
class CommandRunner;
class KrvSession;

class FormDigest : public QWidget {
    Q_OBJECT
public:
    FormDigest(KrvSession& session, CommandRunner& windows);

    void refreshFromSession();
    void setBusy(bool busy);
    // Stands in the digest's place until an analysis has made one.
    QLabel& emptyHint() { return *emptyHint_; }

signals:
    // Refresh (Analyse Only), a command of the program's own: its owner runs it.
    void refreshRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void printDigest();

    KrvSession& session_;
    CommandRunner& windows_;
    QPlainTextEdit* txtResults_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    QLineEdit* txthighlowrange_ = nullptr;
    QPushButton* cmdrefresh_ = nullptr;
    QPushButton* cmdprintdigest_ = nullptr;
};

}  // namespace krv

// A printout going on paper: the pages, taken down beforehand, are painted a
// slice at a time from the event loop, so that the windows keep painting and
// answering while a long printout runs. A progress dialog says "Printing page
// N of M..." and offers Cancel.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "platform/printer.h"

class QPrinter;
class QWidget;

namespace krv {
class MessageBox;
class QtPainterPrinter;

// The title of the boxes that tell of a printout's trouble.
inline constexpr const char* kPrintTitle = "Print";

// Where a finished printout goes when it is a PDF file: written as temp,
// renamed to path once whole.
struct PdfTarget {
    std::string path;
    std::string temp;
};

// What the user is told when a printout fails: for a PDF, which file could
// not be written.
std::string printFailureText(const std::optional<PdfTarget>& pdf, const std::string& why);

class QtPrintJob : public QObject {
    Q_OBJECT
public:
    // device is set up for the printout (printer or PDF file at pdf->temp,
    // orientation); the dialog stands over dialogParent (may be null).
    QtPrintJob(MessageBox& messages, std::unique_ptr<QPrinter> device, std::optional<PdfTarget> pdf,
               RecordingPrinter printout, QWidget* dialogParent);
    // A job still running is stopped as by Cancel, silently.
    ~QtPrintJob() override;

    // Starts painting on the next turns of the event loop.
    void start();
    // Stops at the next slice: nothing more is printed, the PDF being written
    // is removed and an older one stays as it was.
    void cancel();

    bool isRunning() const { return running_; }
    // The dialog while it is up (it shows once the printout takes a moment).
    QProgressDialog* progressDialog() const { return dialog_; }

signals:
    // The printout has ended, whichever way, and its outcome has been told;
    // the job deletes itself afterwards.
    void finished();

private:
    void printSlice();
    void showProgress();
    void finish();
    std::string closeDocument(bool completed);

    MessageBox& messages_;
    std::unique_ptr<QPrinter> device_;
    std::optional<PdfTarget> pdf_;
    RecordingPrinter printout_;
    std::unique_ptr<QtPainterPrinter> printer_;
    QPointer<QProgressDialog> dialog_;
    QTimer slices_;
    std::size_t next_ = 0;  // the next operation of printout_
    int sheets_ = 0;        // M of "page N of M"
    int shownPage_ = 0;
    QElapsedTimer sinceShown_;
    bool running_ = false;
    bool cancelRequested_ = false;
};

}  // namespace krv

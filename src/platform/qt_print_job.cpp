#include "platform/qt_print_job.h"

#include <QPrinter>
#include <QProgressDialog>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/message_box.h"
#include "platform/qt_painter_printer.h"

namespace krv {

namespace {

constexpr const char* kPrintedToPdfTitle = "Printed to PDF";
// How long painting holds the event loop at a time: short enough that a
// click or a repaint waits unnoticed, long enough that the turns in between
// cost the printout next to nothing.
constexpr int kSliceMs = 12;
// How often the dialog shows the page in hand.
constexpr int kProgressEveryMs = 100;
// A printout done sooner than this comes and goes without a dialog.
constexpr int kDialogAfterMs = 400;

QString pageText(int page, int sheets) { return QStringLiteral("Printing page %1 of %2...").arg(page).arg(sheets); }

// The sheets the printout comes out on, followed on the device as it is set
// up, which is left as it was.
int countSheets(QPrinter& device, const RecordingPrinter& printout) {
    const QPageLayout layout = device.pageLayout();
    QtPainterPrinter counter(device, defaultPrinterFont(), QtPainterPrinter::Mode::CountSheets);
    for (std::size_t i = 0; i < printout.ops.size(); ++i) printout.replay(i, counter);
    counter.endDocument();
    device.setPageLayout(layout);
    return std::max(1, counter.pageCount());
}

}  // namespace

std::string printFailureText(const std::optional<PdfTarget>& pdf, const std::string& why) {
    const std::string what =
        pdf ? "The printout could not be saved as " + pdf->path + ". " : "The printout could not be printed. ";
    return what + why;
}

QtPrintJob::QtPrintJob(MessageBox& messages, std::unique_ptr<QPrinter> device, std::optional<PdfTarget> pdf,
                       RecordingPrinter printout, QWidget* dialogParent)
    : messages_(messages), device_(std::move(device)), pdf_(std::move(pdf)), printout_(std::move(printout)) {
    sheets_ = countSheets(*device_, printout_);
    printer_ = std::make_unique<QtPainterPrinter>(*device_);

    dialog_ = new QProgressDialog(dialogParent);
    dialog_->setObjectName("printProgress");
    dialog_->setWindowTitle(kPrintTitle);
    // The windows stay usable: only what would change the printout waits.
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setLabelText(pageText(1, sheets_));
    dialog_->setCancelButtonText(QStringLiteral("Cancel"));
    dialog_->setRange(0, sheets_);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(kDialogAfterMs);
    dialog_->setValue(0);
    connect(dialog_, &QProgressDialog::canceled, this, &QtPrintJob::cancel);

    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &QtPrintJob::printSlice);
}

QtPrintJob::~QtPrintJob() {
    if (!running_) return;
    cancelRequested_ = true;
    closeDocument(false);
    delete dialog_.data();
}

void QtPrintJob::start() {
    running_ = true;
    slices_.start();
}

void QtPrintJob::cancel() {
    // The slice in hand (if any) ends first; the next one stops.
    if (running_) cancelRequested_ = true;
}

void QtPrintJob::printSlice() {
    if (cancelRequested_) return finish();
    QElapsedTimer slice;
    slice.start();
    const std::size_t count = printout_.ops.size();
    while (next_ < count && printer_->ok() && slice.elapsed() < kSliceMs) printout_.replay(next_++, *printer_);
    if (next_ >= count || !printer_->ok()) return finish();
    showProgress();
}

void QtPrintJob::showProgress() {
    const int page = printer_->pageCount();
    // Redrawing the dialog after every slice would cost the printout more
    // than the eye gains.
    if (page == shownPage_ || !dialog_ || (sinceShown_.isValid() && sinceShown_.elapsed() < kProgressEveryMs)) return;
    sinceShown_.start();
    shownPage_ = page;
    dialog_->setLabelText(pageText(page, std::max(page, sheets_)));
    dialog_->setValue(std::min(page - 1, sheets_));
}

// Ends the print job: a whole printout is finished and a PDF renamed into
// place; a cancelled or failed one leaves no file. The failure, if any.
std::string QtPrintJob::closeDocument(bool completed) {
    std::string failure;
    if (completed) {
        printer_->endDocument();  // no-op when the printout ended it
        if (!printer_->ok()) failure = printer_->error();
    } else if (!cancelRequested_) {
        failure = printer_->error();
    } else if (!pdf_) {
        // A printer's job is withdrawn where the system can; otherwise the
        // sheets printed so far come out.
        device_->abort();
    }
    printer_.reset();  // closes a print job left open
    device_.reset();   // closes the PDF file
    if (pdf_) {
        std::error_code error;
        if (completed && failure.empty()) {
            std::filesystem::rename(pdf_->temp, pdf_->path, error);
            if (error) failure = "Could not write " + pdf_->path + ": " + error.message();
        }
        if (!completed || !failure.empty()) std::filesystem::remove(pdf_->temp, error);
    }
    return failure;
}

void QtPrintJob::finish() {
    if (!running_) return;
    running_ = false;
    slices_.stop();
    const bool cancelled = cancelRequested_;
    const bool completed = !cancelled && printer_->ok() && next_ >= printout_.ops.size();
    const std::string failure = closeDocument(completed);
    if (dialog_) {
        dialog_->hide();
        dialog_->deleteLater();
    }
    if (!failure.empty()) messages_.ok(kPrintTitle, printFailureText(pdf_, failure));
    else if (completed && pdf_)
        messages_.ok(kPrintedToPdfTitle, "There is no printer on this system. The printout was saved as " + pdf_->path);
    emit finished();
    deleteLater();
}

}  // namespace krv

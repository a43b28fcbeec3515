#include "platform/qt_printer.h"

#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/qt_painter_printer.h"
#include "platform/text.h"

namespace krv {

namespace {

constexpr const char* kPrintTitle = "Print";
constexpr const char* kPrintedToPdfTitle = "Printed to PDF";

// Where the PDF goes: the folder named, created when missing; nullopt
// (after telling the user) when there is none.
std::optional<std::string> pdfPathFor(MessageBox& messages, const PdfPlace& pdf) {
    if (pdf.folder.empty()) {
        messages.ok(kPrintTitle,
                    "There is no printer on this system, and the printout cannot be saved as a PDF "
                    "file: " +
                        pdf.refusal);
        return std::nullopt;
    }
    const std::string& folder = pdf.folder;
    if (!std::filesystem::is_directory(folder)) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error || !std::filesystem::is_directory(folder)) {
            messages.ok(kPrintTitle, "There is no printer on this system, and the folder " + folder +
                                         " for the PDF file could not be created.");
            return std::nullopt;
        }
    }
    return folder + pdf.fileName;
}

// Shows the hourglass while the printout runs and restores the cursor
// however it ends.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

void runPrintout(MessageBox& messages, QWidget* /*parent: the boxes come from messages*/, const PdfPlace& pdf,
                 bool landscape, const std::function<void(Printer&)>& printout) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    std::unique_ptr<QPrinter> device;
    std::optional<std::string> pdfPath;
    // The PDF is written under a temporary name and renamed when complete:
    // half a printout under the expected name would pass for the whole,
    // and an older PDF stays until the new one is whole.
    std::string pdfTemp;
    if (defaultPrinter.isNull()) {
        pdfPath = pdfPathFor(messages, pdf);
        if (!pdfPath) return;
        device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        pdfTemp = *pdfPath + ".partial";
        device->setOutputFileName(QString::fromLocal8Bit(pdfTemp.c_str()));
        device->setPageMargins(QMarginsF(kPdfMarginInches, kPdfMarginInches, kPdfMarginInches, kPdfMarginInches),
                               QPageLayout::Inch);
    } else {
        device = std::make_unique<QPrinter>(defaultPrinter, QPrinter::HighResolution);
    }
    device->setDocName(QString::fromLocal8Bit(pdf.fileName.c_str()));
    if (landscape) device->setPageOrientation(QPageLayout::Landscape);

    std::string failure;
    {
        BusyCursor busy;
        QtPainterPrinter printer(*device);
        try {
            printout(printer);
            printer.endDocument();  // no-op when the printout ended it
        } catch (const std::exception& e) { failure = e.what(); }
        if (failure.empty() && !printer.ok()) failure = printer.error();
    }
    device.reset();  // closes the PDF file
    if (pdfPath && failure.empty()) {
        std::error_code error;
        std::filesystem::rename(pdfTemp, *pdfPath, error);
        if (error) failure = "Could not write " + *pdfPath + ": " + error.message();
    }
    if (!failure.empty()) {
        if (pdfPath) {
            std::error_code ignored;
            std::filesystem::remove(pdfTemp, ignored);
        }
        const std::string what =
            pdfPath ? "The printout could not be saved as " + *pdfPath + ". " : "The printout could not be printed. ";
        messages.ok(kPrintTitle, what + failure);
        return;
    }
    if (pdfPath)
        messages.ok(kPrintedToPdfTitle, "There is no printer on this system. The printout was saved as " + *pdfPath);
}

}  // namespace krv

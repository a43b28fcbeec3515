#include "platform/qt_printer.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/qt_print_job.h"

namespace krv {

namespace {

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

}  // namespace

QtPrintJob* startPrintout(MessageBox& messages, QWidget* dialogParent, const PdfPlace& pdf, bool landscape,
                          const std::function<void(Printer&)>& printout) {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    std::unique_ptr<QPrinter> device;
    // The PDF is written under a temporary name and renamed when complete:
    // half a printout under the expected name would pass for the whole,
    // and an older PDF stays until the new one is whole.
    std::optional<PdfTarget> target;
    if (defaultPrinter.isNull()) {
        std::optional<std::string> pdfPath = pdfPathFor(messages, pdf);
        if (!pdfPath) return nullptr;
        target = PdfTarget{*pdfPath, *pdfPath + ".partial"};
        device = std::make_unique<QPrinter>(QPrinter::HighResolution);
        device->setOutputFormat(QPrinter::PdfFormat);
        device->setOutputFileName(QString::fromLocal8Bit(target->temp.c_str()));
        device->setPageMargins(QMarginsF(kPdfMarginInches, kPdfMarginInches, kPdfMarginInches, kPdfMarginInches),
                               QPageLayout::Inch);
    } else {
        device = std::make_unique<QPrinter>(defaultPrinter, QPrinter::HighResolution);
    }
    device->setDocName(QString::fromLocal8Bit(pdf.fileName.c_str()));
    if (landscape) device->setPageOrientation(QPageLayout::Landscape);

    RecordingPrinter pages;
    try {
        printout(pages);
    } catch (const std::exception& e) {
        messages.ok(kPrintTitle, printFailureText(target, e.what()));
        return nullptr;
    }
    auto* job = new QtPrintJob(messages, std::move(device), std::move(target), std::move(pages), dialogParent);
    job->start();
    return job;
}

}  // namespace krv

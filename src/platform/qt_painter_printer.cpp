#include "platform/qt_painter_printer.h"

#include <QFontDatabase>
#include <QPrinter>
#include <QString>

#include "platform/qt_text.h"

namespace krv {

namespace {

constexpr double kTwipsPerInch = 1440.0;

// Text is 8-bit, one byte a character, shown as on screen.
QString toQString(const std::string& text) { return fromCp1252(text); }

}  // namespace

// Printers commonly come with a small face of Arial's widths as their
// default font, and the printouts' headings are padded with blanks for it:
// at 8 points the column headings end just before the ratings heading at
// 5250 twips and stand over their numbers. Where no face of those widths is
// installed, the condensed DejaVu face half a point smaller keeps about the
// same proportions; the wider faces would run the headings into each other.
QFont defaultPrinterFont() {
    for (const char* family : {"Arial", "Liberation Sans", "Arimo", "Nimbus Sans", "Helvetica"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            QFont font(QString::fromLatin1(family));
            font.setPointSizeF(8);
            return font;
        }
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setStretch(QFont::SemiCondensed);
    font.setPointSizeF(7.5);
    return font;
}

QtPainterPrinter::QtPainterPrinter(QPrinter& device, const QFont& font, Mode mode)
    : device_(device), font_(font), metrics_(font_, &device_), counting_(mode == Mode::CountSheets) {}

QtPainterPrinter::~QtPainterPrinter() {
    // A printout that stopped half way still closes the job, so the printer
    // or the PDF file is not left open.
    if (started_ && !finished_ && !counting_) painter_.end();
}

void QtPainterPrinter::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
}

double QtPainterPrinter::pageHeight() const {
    return device_.pageLayout().paintRectPixels(device_.resolution()).height();
}

// The job is opened by the first thing printed, so that an orientation chosen
// before that applies to the first sheet.
bool QtPainterPrinter::ensureStarted() {
    if (!ok() || finished_) return false;
    if (started_) return true;
    if (counting_) {
        started_ = true;
        pageCount_ = 1;
        return true;
    }
    if (!painter_.begin(&device_)) {
        fail("The printer could not be opened.");
        return false;
    }
    started_ = true;
    pageCount_ = 1;
    painter_.setFont(font_);
    return true;
}

bool QtPainterPrinter::startSheet() {
    if (!counting_ && !device_.newPage()) {
        fail("A new page could not be started.");
        return false;
    }
    ++pageCount_;
    y_ = 0;
    return true;
}

bool QtPainterPrinter::startPendingPages() {
    for (; pendingPages_ > 0; --pendingPages_)
        if (!startSheet()) return false;
    return true;
}

void QtPainterPrinter::setLandscape() {
    // Before the job is open this sets the first sheet; later it applies from
    // the next sheet on.
    device_.setPageOrientation(QPageLayout::Landscape);
}

void QtPainterPrinter::printText(const std::string& text) {
    if (!ensureStarted() || !startPendingPages()) return;
    // A line that would run past the bottom of the sheet goes on the next
    // one, so long texts are never cut off.
    if (!lineStarted_ && y_ > 0 && y_ + metrics_.lineSpacing() > pageHeight()) {
        if (!startSheet()) return;
    }
    lineStarted_ = true;
    if (text.empty() || counting_) return;
    const QString line = toQString(text);
    painter_.drawText(QPointF(x_, y_ + metrics_.ascent()), line);
    x_ += metrics_.horizontalAdvance(line);
}

void QtPainterPrinter::printLine(const std::string& text) {
    printText(text);
    if (!started_ || !ok()) return;
    y_ += metrics_.lineSpacing();
    x_ = 0;
    lineStarted_ = false;
}

void QtPainterPrinter::emptyLine() { printLine(""); }

void QtPainterPrinter::setPositionTwips(int twips) { x_ = twips * device_.resolution() / kTwipsPerInch; }

// The sheet is only started when something is printed on it: a new page
// followed by the end of the document leaves no empty sheet.
void QtPainterPrinter::newPage() {
    if (lineStarted_) printLine("");
    ++pendingPages_;
    x_ = 0;
}

void QtPainterPrinter::endDocument() {
    if (finished_) return;
    // A document with nothing printed still opens and closes the job, so
    // that a PDF file always comes out.
    if (!ensureStarted()) return;
    pendingPages_ = 0;
    if (!counting_ && !painter_.end()) fail("The printout could not be finished.");
    finished_ = true;
}

}  // namespace krv

// The printer interface over a QPrinter: text drawn with a QPainter in the
// printer's default font, line by line from the top of the page, positions
// in twips from the left margin.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <string>

#include "platform/printer.h"

class QPrinter;

namespace krv {

// The font a printer prints in when the program chooses none.
QFont defaultPrinterFont();

class QtPainterPrinter : public Printer {
public:
    // Print puts the pages on the device; CountSheets only follows where the
    // lines and sheets would go (pageCount()), opening no print job, so that
    // a progress can say "page N of M" before the pages are printed.
    enum class Mode { Print, CountSheets };

    // The QPrinter is set up by the caller (printer or PDF file, orientation)
    // and must outlive this object.
    explicit QtPainterPrinter(QPrinter& device, const QFont& font = defaultPrinterFont(), Mode mode = Mode::Print);
    ~QtPainterPrinter() override;

    void setLandscape() override;
    void printLine(const std::string& text) override;
    void printText(const std::string& text) override;
    void emptyLine() override;
    void setPositionTwips(int twips) override;
    void newPage() override;
    void endDocument() override;

    // False when the printer could not be opened or a page could not be
    // started; error() then says why.
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    // Sheets printed (or counted) so far, the one in hand included.
    int pageCount() const { return pageCount_; }

private:
    bool ensureStarted();
    bool startPendingPages();
    bool startSheet();
    void fail(const std::string& why);
    double pageHeight() const;

    QPrinter& device_;
    QFont font_;
    QFontMetricsF metrics_;  // of font_ on the device, whose resolution is fixed
    bool counting_;
    QPainter painter_;
    bool started_ = false;
    bool finished_ = false;
    std::string error_;
    int pendingPages_ = 0;
    int pageCount_ = 0;
    double x_ = 0;  // device units from the left margin
    double y_ = 0;  // top of the current line, device units from the top margin
    bool lineStarted_ = false;
};

}  // namespace krv

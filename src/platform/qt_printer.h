// Printing from the windows: the system's default printer, or a PDF in the
// member's Results folder when the system has no printer.
#pragma once

#include <functional>
#include <string>

class QWidget;

#include "platform/message_box.h"
#include "platform/printer.h"

namespace krv {

// The border of a PDF sheet, like the unprintable edge of a paper printer.
inline constexpr double kPdfMarginInches = 0.5;

// Runs printout on the default printer; without one, writes the PDF file
// named by pdf (e.g. "tournament-view.pdf" in the member's Results folder)
// and says where it is. Errors are reported in a message box.
void runPrintout(MessageBox& messages, QWidget* parent, const PdfPlace& pdf, bool landscape,
                 const std::function<void(Printer&)>& printout);

}  // namespace krv

// Printing from the windows: the system's default printer, or a PDF in the
// member's Results folder when the system has no printer.
#pragma once

#include <functional>
#include <string>

class QWidget;

#include "platform/message_box.h"
#include "platform/printer.h"

namespace krv {
class QtPrintJob;

// The border of a PDF sheet, like the unprintable edge of a paper printer.
inline constexpr double kPdfMarginInches = 0.5;

// Takes printout down at once (it runs now and reads what the windows show
// now), then puts it on the default printer, or without one into the PDF
// file named by pdf (e.g. "tournament-view.pdf" in the member's Results
// folder), a few pages at a time from the event loop, with a progress dialog
// over dialogParent (may be null); the user is told where a PDF went.
// Errors are reported in a message box. The job, which deletes itself after
// its finished(); null when nothing was started (reported).
QtPrintJob* startPrintout(MessageBox& messages, QWidget* dialogParent, const PdfPlace& pdf, bool landscape,
                          const std::function<void(Printer&)>& printout);

}  // namespace krv

#include "stats/digest_printout.h"

#include <string_view>
#include <vector>

#include "platform/printer.h"
#include "session/session.h"

namespace krv {

namespace {

// The digest's lines as the printer sees them. Unlike splitting a file into
// lines, every line end starts a further line, also at the very end, and an
// empty text is one empty line: printing a text always ends with a line end
// of its own. CR LF is the digest's line end; a lone CR or LF would be drawn
// as a stray character, so it ends a line too.
std::vector<std::string> printedLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    lines.push_back(current);
    return lines;
}

}  // namespace

void printDigest(KrvSession& session, Printer& printer) {
    printer.emptyLine();
    printer.printLine(session.ui.CmbID);
    printer.emptyLine();
    for (const auto& line : printedLines(session.ui.txtResults)) printer.printLine(line);
    printer.newPage();
    printer.endDocument();
}

}  // namespace krv

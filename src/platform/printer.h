// The printer as the printouts use it: text placed line by line, with a
// horizontal position in twips from the left margin.
#pragma once

#include <string>
#include <vector>

namespace krv {

// Where a printout goes as a PDF file when the system has no printer: a
// file in folder (created when missing), or, when the caller can name no
// folder (folder empty), the reason why it cannot be saved.
struct PdfPlace {
    std::string folder;  // trailing "/"
    std::string fileName;
    std::string refusal;
};

class Printer {
public:
    virtual ~Printer() = default;
    virtual void setLandscape() = 0;
    // Prints text and ends the line.
    virtual void printLine(const std::string& text) = 0;
    // Prints text and stays on the line.
    virtual void printText(const std::string& text) = 0;
    // Ends the line; on a fresh line that leaves an empty line.
    virtual void emptyLine() = 0;
    // Moves the print position on the current line (also backwards).
    virtual void setPositionTwips(int twips) = 0;
    virtual void newPage() = 0;
    // Ends the document and sends it off. A new page followed at once by the
    // end of the document adds no empty sheet.
    virtual void endDocument() = 0;
};

// Remembers every operation: a printout is taken down this way at once and
// put on paper later, a few operations at a time (replay), so that the
// windows may go on meanwhile; tests read its pages as text.
class RecordingPrinter : public Printer {
public:
    struct Op {
        enum class Kind { Landscape, Line, Text, Empty, Position, Page, End };
        Kind kind;
        std::string text;
        int twips = 0;
    };
    using Kind = Op::Kind;

    void setLandscape() override { ops.push_back({Kind::Landscape, {}, 0}); }
    void printLine(const std::string& text) override { ops.push_back({Kind::Line, text, 0}); }
    void printText(const std::string& text) override { ops.push_back({Kind::Text, text, 0}); }
    void emptyLine() override { ops.push_back({Kind::Empty, {}, 0}); }
    void setPositionTwips(int twips) override { ops.push_back({Kind::Position, {}, twips}); }
    void newPage() override { ops.push_back({Kind::Page, {}, 0}); }
    void endDocument() override { ops.push_back({Kind::End, {}, 0}); }

    // Does operation i again on printer.
    void replay(std::size_t i, Printer& printer) const {
        const Op& op = ops[i];
        switch (op.kind) {
            case Kind::Landscape:
                printer.setLandscape();
                break;
            case Kind::Line:
                printer.printLine(op.text);
                break;
            case Kind::Text:
                printer.printText(op.text);
                break;
            case Kind::Empty:
                printer.emptyLine();
                break;
            case Kind::Position:
                printer.setPositionTwips(op.twips);
                break;
            case Kind::Page:
                printer.newPage();
                break;
            case Kind::End:
                printer.endDocument();
                break;
        }
    }

    // The sheets as they would come out: each page a list of lines, a
    // position change written into its line as "[@5000]". Like a real
    // printer, a new page only becomes a sheet when something is printed on
    // it, and nothing after the end of the document is printed.
    std::vector<std::vector<std::string>> pages() const {
        std::vector<std::vector<std::string>> sheets(1);
        std::string line;
        int pendingPages = 0;
        auto startPendingPages = [&] {
            for (; pendingPages > 0; --pendingPages) sheets.emplace_back();
        };
        for (const auto& op : ops) {
            if (op.kind == Kind::End) break;
            if (op.kind == Kind::Text) {
                startPendingPages();
                line += op.text;
            } else if (op.kind == Kind::Line || op.kind == Kind::Empty) {
                startPendingPages();
                sheets.back().push_back(line + op.text);
                line.clear();
            } else if (op.kind == Kind::Position) {
                line += "[@" + std::to_string(op.twips) + "]";
            } else if (op.kind == Kind::Page) {
                if (!line.empty()) sheets.back().push_back(line);
                line.clear();
                ++pendingPages;
            }
        }
        return sheets;
    }

    bool landscape() const {
        for (const auto& op : ops)
            if (op.kind == Kind::Landscape) return true;
        return false;
    }

    bool ended() const { return !ops.empty() && ops.back().kind == Kind::End; }

    std::vector<Op> ops;
};

}  // namespace krv

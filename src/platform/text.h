// Text helpers shared by every subsystem.
//
// All text in the program is 8-bit: one byte is one character, exactly as
// the rating website's pages and the store's files hold it. Nothing here
// decodes or re-encodes; the windows decode for display only.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Files are written through the whole-file replacement; most users of the
// text helpers need it too.
#include "platform/replaced_file.h"

namespace krv {

inline constexpr std::string_view kLineEnd = "\r\n";

// ---- numbers as text -------------------------------------------------------

// The numeric value of a text: its leading number after blanks, 0 when the
// text does not begin with one. " .5" is 0.5, "-150" is -150, "UnR" is 0,
// "1641P17" is 1641.
double numericValue(std::string_view text);

// True when the whole text, blanks around it ignored, is an optional sign,
// digits and an optional decimal part (at least one digit in all).
bool isNumberText(std::string_view text);

// A whole number written as digits only (an optional leading minus sign,
// no blanks, no decimal part) that lies within [low, high]; nothing for any
// other text, including numbers too large for any integer type.
std::optional<long long> parseWholeNumber(std::string_view text, long long low, long long high);

// The digits of a number without any padding: "2", "-2", ".5", "-.5",
// "1.25". Integral values print without a decimal point.
std::string plainForm(double value);

// A blank before a number that is not negative, the minus sign otherwise,
// nothing after: " 2", "-2", " .5".
std::string signedForm(double value);

// The form numbers take when printed to a file: the signed form and one
// trailing blank: " 2 ", "-2 ".
std::string printForm(double value);

// Rounds to a whole number with exact halves going to the even neighbour
// (62.5 gives 62, 63.5 gives 64).
double roundHalfEven(double value);

// ---- plain string operations ----------------------------------------------

// 1-based position of needle in text at or after 1-based start, 0 when absent.
std::size_t findPos(std::string_view text, std::string_view needle, std::size_t start = 1);
// The same, ignoring ASCII case.
std::size_t findPosNoCase(std::string_view text, std::string_view needle, std::size_t start = 1);
bool containsNoCase(std::string_view text, std::string_view needle);
bool contains(std::string_view text, std::string_view needle);

// Characters from 1-based position start, at most length of them; empty
// when start lies beyond the end. Never throws.
std::string mid(std::string_view text, std::size_t start, std::size_t length = std::string::npos);
// The same characters as a view into text.
std::string_view midView(std::string_view text, std::size_t start, std::size_t length = std::string::npos);
std::string left(std::string_view text, std::size_t length);
std::string right(std::string_view text, std::size_t length);

std::string replaceAll(std::string text, std::string_view from, std::string_view to);
std::string trimBlanks(std::string_view text);
std::string toLowerAscii(std::string_view text);
int compareNoCase(std::string_view a, std::string_view b);

// The text as it may go to a terminal: control bytes other than TAB, CR and
// LF, and DEL, become "?", so that bytes from a page or a file cannot move
// the cursor, retitle the window or reprogram the terminal. Other bytes,
// those of Windows-1252 letters included, pass unchanged.
std::string terminalSafe(std::string_view text);

// ---- lines and files --------------------------------------------------------

// Splits 8-bit text into lines ended by CR LF, CR or LF. A final line
// without an end is kept; an empty text has no lines.
std::vector<std::string> splitLines(std::string_view text);
// The same lines as views into text, for readers that only look at them.
std::vector<std::string_view> splitLineViews(std::string_view text);

// Hands out the lines of a text one at a time, as views into it, with the
// line ends of splitLines. The next CR and the next LF are found with a
// byte search and kept until passed, so the text is scanned once whatever
// its line ends.
class LineSplitter {
public:
    explicit LineSplitter(std::string_view text);
    bool atEnd() const { return pos_ == end_; }
    std::optional<std::string_view> next();  // nullopt past the last line
private:
    const char* pos_;
    const char* end_;
    const char* nextCr_;  // end_ when there is none
    const char* nextLf_;
};

// Reads a whole file as bytes; nullopt when it cannot be opened.
std::optional<std::string> readFileBytes(const std::string& path);
// The same into `bytes`, whose storage is reused; false (and no bytes) when
// the file cannot be read.
bool readFileInto(const std::string& path, std::string& bytes);
std::optional<std::vector<std::string>> readFileLines(const std::string& path);

// Joins lines, each followed by CR LF.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// ---- comma-delimited input -------------------------------------------------

// The fields of one comma-delimited line: a field ends at a comma or the line
// end; blanks around an unquoted field are dropped; a field in double quotes
// keeps its commas and blanks. An empty line gives one empty field.
std::vector<std::string> splitCommaFields(std::string_view line);

// Reads comma-delimited fields one at a time across the lines of a text, the
// way sequential list input does: a line with fewer fields continues on the
// next line. Used where a reader asks for a fixed number of fields. The
// fields are views into the text, which must outlive the reader.
class CommaFieldReader {
public:
    explicit CommaFieldReader(std::string_view text);
    bool atEnd() const;                      // no fields left
    std::optional<std::string_view> next();  // nullopt past the end
private:
    LineSplitter lines_;
    std::string_view line_;
    std::size_t pos_ = 0;
    bool inLine_ = false;
};

}  // namespace krv

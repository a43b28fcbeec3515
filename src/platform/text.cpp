#include "platform/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace krv {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

double numericValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    bool anyDigit = false;
    while (i < text.size() && isDigit(text[i])) {
        value = value * 10 + (text[i] - '0');
        anyDigit = true;
        ++i;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && isDigit(text[i])) {
            value += (text[i] - '0') * scale;
            scale /= 10;
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit) return 0;
    return negative ? -value : value;
}

bool isNumberText(std::string_view text) {
    std::string_view t = text;
    while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool anyDigit = false;
    while (i < t.size() && isDigit(t[i])) {
        ++i;
        anyDigit = true;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            ++i;
            anyDigit = true;
        }
    }
    return anyDigit && i == t.size();
}

std::optional<long long> parseWholeNumber(std::string_view text, long long low, long long high) {
    // from_chars accepts a leading minus but no plus and no blanks, and
    // reports a value beyond long long as out of range.
    if (text.empty() || (text.front() != '-' && !isDigit(text.front()))) return std::nullopt;
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::string plainForm(double value) {
    if (value == 0) return "0";
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string s = buffer;
    // Fractions print without their leading zero: ".5", "-.5".
    if (s.rfind("0.", 0) == 0) s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
    return s;
}

std::string signedForm(double value) {
    std::string digits = plainForm(value);
    return digits[0] == '-' ? digits : " " + digits;
}

std::string printForm(double value) { return signedForm(value) + " "; }

double roundHalfEven(double value) { return std::nearbyint(value); }

std::size_t findPos(std::string_view text, std::string_view needle, std::size_t start) {
    if (start == 0) start = 1;
    if (start > text.size() + 1) return 0;
    std::size_t at = text.find(needle, start - 1);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::size_t findPosNoCase(std::string_view text, std::string_view needle, std::size_t start) {
    if (start == 0) start = 1;
    if (needle.empty()) return start <= text.size() + 1 ? start : 0;
    if (text.size() < needle.size()) return 0;
    for (std::size_t i = start - 1; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && lowerAscii(text[i + k]) == lowerAscii(needle[k])) ++k;
        if (k == needle.size()) return i + 1;
    }
    return 0;
}

bool containsNoCase(std::string_view text, std::string_view needle) { return findPosNoCase(text, needle) != 0; }

bool contains(std::string_view text, std::string_view needle) { return text.find(needle) != std::string_view::npos; }

std::string_view midView(std::string_view text, std::size_t start, std::size_t length) {
    if (start == 0 || start > text.size()) return {};
    return text.substr(start - 1, length);
}

std::string mid(std::string_view text, std::size_t start, std::size_t length) {
    return std::string(midView(text, start, length));
}

std::string left(std::string_view text, std::size_t length) {
    return std::string(text.substr(0, std::min(length, text.size())));
}

std::string right(std::string_view text, std::size_t length) {
    if (length >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - length));
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    std::size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string trimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b])) ++b;
    while (e > b && isBlank(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string toLowerAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s) c = lowerAscii(c);
    return s;
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(lowerAscii(a[i]));
        auto cb = static_cast<unsigned char>(lowerAscii(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

namespace {

const char* findByte(const char* from, const char* end, char byte) {
    if (from == end) return end;
    const void* at = std::memchr(from, byte, static_cast<std::size_t>(end - from));
    return at ? static_cast<const char*>(at) : end;
}

}  // namespace

LineSplitter::LineSplitter(std::string_view text)
    : pos_(text.data()),
      end_(text.data() + text.size()),
      nextCr_(findByte(pos_, end_, '\r')),
      nextLf_(findByte(pos_, end_, '\n')) {}

std::optional<std::string_view> LineSplitter::next() {
    if (pos_ == end_) return std::nullopt;
    if (nextCr_ < pos_) nextCr_ = findByte(pos_, end_, '\r');
    if (nextLf_ < pos_) nextLf_ = findByte(pos_, end_, '\n');
    const char* lineEnd = std::min(nextCr_, nextLf_);
    const std::string_view line(pos_, static_cast<std::size_t>(lineEnd - pos_));
    if (lineEnd == end_) pos_ = end_;
    else if (*lineEnd == '\r' && lineEnd + 1 < end_ && lineEnd[1] == '\n') pos_ = lineEnd + 2;
    else pos_ = lineEnd + 1;
    return line;
}

std::vector<std::string_view> splitLineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    // Pages' lines run to some tens of characters; one allocation is
    // enough for most texts.
    lines.reserve(text.size() / 32 + 8);
    LineSplitter splitter(text);
    while (auto line = splitter.next()) lines.push_back(*line);
    return lines;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    for (std::string_view line : splitLineViews(text)) lines.emplace_back(line);
    return lines;
}

bool readFileInto(const std::string& path, std::string& bytes) {
    // One open and reads straight into a buffer of the file's size: the
    // analysis reads thousands of small pages, and stream buffering would
    // copy every byte twice.
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return false;
    }
    // The size is a hint only: a file that grows or shrinks meanwhile is
    // read to its end all the same.
    std::size_t capacity = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096;
    std::size_t used = 0;
    bool ok = true;
    while (true) {
        if (used == capacity) capacity *= 2;
        bytes.resize(capacity);
        const ssize_t got = ::read(fd, bytes.data() + used, capacity - used);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(ok ? used : 0);
    return ok;
}

std::optional<std::string> readFileBytes(const std::string& path) {
    std::string bytes;
    if (!readFileInto(path, bytes)) return std::nullopt;
    return bytes;
}

std::optional<std::vector<std::string>> readFileLines(const std::string& path) {
    auto bytes = readFileBytes(path);
    if (!bytes) return std::nullopt;
    return splitLines(*bytes);
}

std::string joinLinesCrLf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += kLineEnd;
    }
    return out;
}

std::string terminalSafe(std::string_view text) {
    std::string safe(text);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        const bool control = byte < 0x20 || byte == 0x7F;
        if (control && c != '\t' && c != '\r' && c != '\n') c = '?';
    }
    return safe;
}

namespace {

// The field that starts at line[i], as a view into the line; moves i past
// the comma that ends it, or beyond the line end after the last field.
std::string_view nextCommaField(std::string_view line, std::size_t& i) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i < line.size() && line[i] == '"') {
        std::size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) close = line.size();
        const std::string_view field = line.substr(i + 1, close - i - 1);
        // Whatever stands between the closing quote and the next comma is
        // not part of the field.
        const std::size_t comma = line.find(',', std::min(close + 1, line.size()));
        i = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
        return field;
    }
    // Fields are short: a plain loop finds the comma sooner than a call to
    // a library search would.
    const std::size_t from = std::min(i, line.size());
    std::size_t comma = from;
    while (comma < line.size() && line[comma] != ',') ++comma;
    std::size_t end = comma;
    i = comma + 1;  // beyond the line end when no comma ends the field
    while (end > from && isBlank(line[end - 1])) --end;
    return line.substr(from, end - from);
}

}  // namespace

std::vector<std::string> splitCommaFields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i <= line.size()) fields.emplace_back(nextCommaField(line, i));
    return fields;
}

CommaFieldReader::CommaFieldReader(std::string_view text) : lines_(text) {}

bool CommaFieldReader::atEnd() const { return !inLine_ && lines_.atEnd(); }

std::optional<std::string_view> CommaFieldReader::next() {
    if (!inLine_) {
        auto line = lines_.next();
        if (!line) return std::nullopt;
        line_ = *line;
        pos_ = 0;
        inLine_ = true;
    }
    const std::string_view field = nextCommaField(line_, pos_);
    if (pos_ > line_.size()) inLine_ = false;
    return field;
}

}  // namespace krv

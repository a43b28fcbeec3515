#include "compression.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace krv::sample {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Whether a list element's parameters say "q=0" (also "q=0.0", "q=0.000").
bool refused(std::string_view params) {
    while (!params.empty()) {
        const std::size_t semi = params.find(';');
        std::string_view p = trimmed(params.substr(0, semi));
        params = semi == std::string_view::npos ? std::string_view() : params.substr(semi + 1);
        if (p.size() < 2 || (p[0] != 'q' && p[0] != 'Q') || p[1] != '=') continue;
        p.remove_prefix(2);
        return std::all_of(p.begin(), p.end(), [](char c) { return c == '0' || c == '.'; });
    }
    return false;
}

}  // namespace

Encoding chooseEncoding(std::string_view acceptEncoding) {
    bool gzip = false, deflate = false;
    while (!acceptEncoding.empty()) {
        const std::size_t comma = acceptEncoding.find(',');
        const std::string_view element = acceptEncoding.substr(0, comma);
        acceptEncoding = comma == std::string_view::npos ? std::string_view() : acceptEncoding.substr(comma + 1);
        const std::size_t semi = element.find(';');
        const std::string_view coding = trimmed(element.substr(0, semi));
        if (semi != std::string_view::npos && refused(element.substr(semi + 1))) continue;
        if (equalNoCase(coding, "gzip") || equalNoCase(coding, "x-gzip") || coding == "*") gzip = true;
        if (equalNoCase(coding, "deflate")) deflate = true;
    }
    return gzip ? Encoding::Gzip : deflate ? Encoding::Deflate : Encoding::Identity;
}

std::string_view encodingName(Encoding encoding) {
    switch (encoding) {
        case Encoding::Gzip:
            return "gzip";
        case Encoding::Deflate:
            return "deflate";
        case Encoding::Identity:
            break;
    }
    return {};
}

std::string encodeBody(std::string_view body, Encoding encoding) {
    if (encoding == Encoding::Identity) return std::string(body);
    z_stream z{};
    // 15 bits of window; +16 asks zlib for the gzip wrapper instead of its own.
    const int windowBits = encoding == Encoding::Gzip ? 15 + 16 : 15;
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib: cannot start compression");
    std::string out(deflateBound(&z, static_cast<uLong>(body.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    z.avail_in = static_cast<uInt>(body.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("zlib: compression did not finish");
    return out;
}

}  // namespace krv::sample

// Compressed answers of the sample service: gzip or deflate when the request
// accepts it, as a real web server would send them.
#pragma once

#include <string>
#include <string_view>

namespace krv::sample {

enum class Encoding { Identity, Gzip, Deflate };

// The encoding for a request's Accept-Encoding header: gzip where accepted,
// else deflate, else none. A coding listed with "q=0" is refused; "*"
// accepts gzip. Other codings (br, zstd) are never chosen.
Encoding chooseEncoding(std::string_view acceptEncoding);

// The Content-Encoding header value; empty for Identity.
std::string_view encodingName(Encoding encoding);

// The body compressed with zlib: the gzip format, or the zlib format that
// HTTP calls "deflate". The same bytes every time (no time stamp).
std::string encodeBody(std::string_view body, Encoding encoding);

}  // namespace krv::sample

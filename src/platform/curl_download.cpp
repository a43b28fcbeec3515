#include "platform/curl_download.h"

namespace krv {
CurlDownloader::CurlDownloader() = default;
CurlDownloader::~CurlDownloader() = default;
DownloadResult CurlDownloader::download(const std::string&, const std::string&) {
    return {false, 0, "not implemented yet"};
}
}  // namespace krv
